// `dimwarden`: sends a command to the running instance straight from here, answers --help and
// --version itself, and hands everything else (the tool's start, Qt's options, a mistyped line)
// to the program with the windows. A command is the whole life of its process, so this part loads
// no toolkit: it costs a script about what a `gdbus call` does.
#include <dbus/dbus.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "control/Command.h"
#include "platform/CommandChannel.h"

namespace {

// The program with the windows: beside this one in the build tree, in the package's libexec
// folder once installed.
std::string guiProgram() {
    char self[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) {
        return DIMWARDEN_GUI_INSTALLED;
    }
    std::string dir(self, std::size_t(n));
    dir.erase(dir.rfind('/') + 1);
    const std::string beside = dir + "dimwarden-gui";
    // One that is there but cannot be run is said as such, not looked for elsewhere.
    if (access(beside.c_str(), F_OK) == 0) {
        return beside;
    }
    return dir + DIMWARDEN_GUI_FROM_BINDIR "/dimwarden-gui";
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    const control::ParsedCommandLine taken = control::takeCommand(args);
    // Neither needs a display or the window program.
    if (!taken.command && taken.error.empty() && taken.rest.size() == 1) {
        const std::string& only = taken.rest.front();
        if (only == "--help" || only == "-h") {
            std::fputs(control::usageText().c_str(), stdout);
            return 0;
        }
        if (only == "--version" || only == "-v") {
            std::printf("dimwarden %s\n", DIMWARDEN_VERSION);
            return 0;
        }
    }
    if (taken.command && taken.error.empty() && taken.rest.empty()) {
        const std::optional<int> status = sendToRunningInstance(*taken.command, argc, argv);
        // libdbus keeps what it allocated for the process until told it is done.
        dbus_shutdown();
        if (status) {
            return *status;
        }
        // None runs: the program starts and applies the command after its load sequence.
    }
    const std::string gui = guiProgram();
    execv(gui.c_str(), argv);
    const int why = errno;
    if (why != ENOENT && access(gui.c_str(), F_OK) == 0) {
        std::fprintf(stderr, "dimwarden: %s is there but cannot be run: %s\n", gui.c_str(),
                     std::strerror(why));
    } else {
        std::fprintf(stderr, "dimwarden: cannot start %s: %s\n", gui.c_str(), std::strerror(why));
    }
    return 1;
}
