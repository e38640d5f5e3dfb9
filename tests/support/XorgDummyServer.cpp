#include "support/XorgDummyServer.h"

// Qt (through the support headers) before Xlib, whose macros break it.
#include "support/E2eSupport.h"
#include "support/XvfbServer.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace {

using std::chrono::milliseconds;

std::string findOnPath(const std::string& name) {
    for (const char* dir : {"/usr/bin", "/usr/local/bin", "/bin"}) {
        const std::string candidate = std::string(dir) + "/" + name;
        if (access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
    }
    return {};
}

// The output's CRTC, or the one it would get when lit; None when there is none.
RRCrtc crtcOf(Display* d, XRRScreenResources* res, const std::string& name) {
    for (int i = 0; i < res->noutput; ++i) {
        XRROutputInfo* info = XRRGetOutputInfo(d, res, res->outputs[i]);
        if (info == nullptr) {
            continue;
        }
        RRCrtc crtc = None;
        if (name == std::string(info->name, static_cast<std::size_t>(info->nameLen))) {
            crtc = info->crtc != None ? info->crtc : (info->ncrtc > 0 ? info->crtcs[0] : None);
        }
        XRRFreeOutputInfo(info);
        if (crtc != None) {
            return crtc;
        }
    }
    return None;
}

template <typename F>
auto withCrtc(const std::string& display, int n, F f) {
    Display* d = XOpenDisplay(display.c_str());
    if (d == nullptr) {
        throw std::runtime_error("cannot open " + display);
    }
    XRRScreenResources* res = XRRGetScreenResourcesCurrent(d, DefaultRootWindow(d));
    const RRCrtc crtc = res != nullptr ? crtcOf(d, res, "DUMMY" + std::to_string(n)) : None;
    if (res != nullptr) {
        XRRFreeScreenResources(res);
    }
    struct Closer {
        Display* d;
        ~Closer() { XCloseDisplay(d); }
    } closer{d};
    if (crtc == None) {
        throw std::runtime_error("DUMMY" + std::to_string(n) + " has no CRTC");
    }
    return f(d, crtc);
}

}  // namespace

PrivateXServer::PrivateXServer(
    const std::function<std::vector<std::string>(const std::string&)>& command,
    milliseconds timeout) {
    char dirTemplate[] = "/tmp/dimwarden-xserver-XXXXXX";
    if (mkdtemp(dirTemplate) == nullptr) {
        error_ = "mkdtemp failed";
        return;
    }
    dir_ = dirTemplate;
    mkdir(runtimeDir().c_str(), 0700);
    mkdir(configDir().c_str(), 0700);

    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        error_ = "pipe2 failed";
        return;
    }
    std::vector<std::string> args = command(dir_);
    args.insert(args.begin() + 1, {"-displayfd", std::to_string(fds[1])});
    std::vector<char*> argv;
    for (std::string& a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    const std::string log = dir_ + "/server-stderr.log";
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent) {
            _exit(127);
        }
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        const int out = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (out >= 0) {
            dup2(out, STDOUT_FILENO);
            dup2(out, STDERR_FILENO);
        }
        fcntl(fds[1], F_SETFD, 0);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(fds[1]);
    if (pid < 0) {
        close(fds[0]);
        error_ = "fork failed";
        return;
    }
    pid_ = pid;
    std::string number;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (number.find('\n') == std::string::npos) {
        const auto left =
            std::chrono::duration_cast<milliseconds>(deadline - std::chrono::steady_clock::now())
                .count();
        pollfd p{fds[0], POLLIN, 0};
        char buf[16];
        ssize_t n = 0;
        if (left <= 0 || poll(&p, 1, static_cast<int>(left)) <= 0 ||
            (n = read(fds[0], buf, sizeof buf)) <= 0) {
            break;
        }
        number.append(buf, static_cast<std::size_t>(n));
    }
    close(fds[0]);
    if (number.find('\n') == std::string::npos) {
        std::ifstream in(log);
        error_ = "the server did not start: " +
                 std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        stop();
        return;
    }
    display_ = ":" + number.substr(0, number.find('\n'));
}

PrivateXServer::~PrivateXServer() {
    stop();
    if (!dir_.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
}

void PrivateXServer::stop() {
    if (pid_ <= 0) {
        return;
    }
    kill(pid_, SIGTERM);
    for (int i = 0; i < 100; ++i) {
        if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
            pid_ = -1;
            return;
        }
        std::this_thread::sleep_for(milliseconds(50));
    }
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
}

std::vector<std::string> PrivateXServer::environment(const std::string& systemBus) const {
    static const char* const dropped[] = {
        "DISPLAY=",         "DBUS_SESSION_BUS_ADDRESS=", "DBUS_SYSTEM_BUS_ADDRESS=",
        "QT_QPA_PLATFORM=", "XDG_RUNTIME_DIR=",          "XDG_CONFIG_HOME=",
        "SESSION_MANAGER="};
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry = *e;
        if (std::none_of(std::begin(dropped), std::end(dropped),
                         [&](const char* key) { return entry.rfind(key, 0) == 0; })) {
            env.push_back(entry);
        }
    }
    env.push_back("DISPLAY=" + display_);
    env.push_back("XDG_RUNTIME_DIR=" + runtimeDir());
    env.push_back("XDG_CONFIG_HOME=" + configDir());
    env.push_back("DBUS_SYSTEM_BUS_ADDRESS=" +
                  (systemBus.empty() ? "unix:path=" + dir_ + "/no-system-bus" : systemBus));
    return env;
}

std::string XorgDummyServer::unavailable() {
    if (findOnPath("Xorg").empty()) {
        return "Xorg is not installed (xserver-xorg-core)";
    }
    if (access("/usr/lib/xorg/modules/drivers/dummy_drv.so", R_OK) != 0) {
        return "the dummy video driver is not installed (xserver-xorg-video-dummy)";
    }
    if (geteuid() != 0) {
        return "Xorg with the dummy driver needs root";
    }
    return {};
}

namespace {
std::vector<std::string> xorgCommand(const std::string& dir) {
    const std::string config = dir + "/xorg.conf";
    std::ofstream(config) << "Section \"Device\"\n    Identifier \"d\"\n    Driver \"dummy\"\n"
                             "    VideoRam 256000\nEndSection\n";
    return {findOnPath("Xorg"), "-config",   config,     "-noreset",       "-nolisten", "tcp",
            "-novtswitch",      "-sharevts", "-logfile", dir + "/xorg.log"};
}
}  // namespace

XorgDummyServer::XorgDummyServer() : PrivateXServer(xorgCommand) {
    hasMode_[0] = true;  // DUMMY0 starts lit
}

bool XorgDummyServer::xrandr(const std::vector<std::string>& args) {
    std::vector<std::string> argv = {"xrandr", "-display", display()};
    argv.insert(argv.end(), args.begin(), args.end());
    return e2e::runCommand(argv, environment()).status == 0;
}

bool XorgDummyServer::enable(int n, int x) {
    const std::string name = "DUMMY" + std::to_string(n);
    if (!hasMode_.at(static_cast<std::size_t>(n))) {
        if (!xrandr({"--addmode", name, "1024x768"})) {
            return false;
        }
        hasMode_[static_cast<std::size_t>(n)] = true;
    }
    return xrandr({"--output", name, "--mode", "1024x768", "--pos", std::to_string(x) + "x0"});
}

bool XorgDummyServer::disable(int n) {
    return xrandr({"--output", "DUMMY" + std::to_string(n), "--off"});
}

bool XorgDummyServer::setPrimary(int n) {
    return xrandr({"--output", "DUMMY" + std::to_string(n), "--primary"});
}

std::optional<GammaRamp> XorgDummyServer::ramp(int n) const {
    try {
        return withCrtc(display(), n, [](Display* d, RRCrtc crtc) -> std::optional<GammaRamp> {
            XRRCrtcGamma* g = XRRGetCrtcGamma(d, crtc);
            if (g == nullptr || g->size != 256) {
                if (g != nullptr) {
                    XRRFreeGamma(g);
                }
                return std::nullopt;
            }
            GammaRamp r;
            std::copy(g->red, g->red + 256, r.channel(0).begin());
            std::copy(g->green, g->green + 256, r.channel(1).begin());
            std::copy(g->blue, g->blue + 256, r.channel(2).begin());
            XRRFreeGamma(g);
            return r;
        });
    } catch (const std::runtime_error&) {
        return std::nullopt;
    }
}

void XorgDummyServer::setRamp(int n, const GammaRamp& ramp) const {
    withCrtc(display(), n, [&](Display* d, RRCrtc crtc) {
        XRRCrtcGamma* g = XRRAllocGamma(256);
        std::copy(ramp.channel(0).begin(), ramp.channel(0).end(), g->red);
        std::copy(ramp.channel(1).begin(), ramp.channel(1).end(), g->green);
        std::copy(ramp.channel(2).begin(), ramp.channel(2).end(), g->blue);
        XRRSetCrtcGamma(d, crtc, g);
        XRRFreeGamma(g);
        XSync(d, False);
        return 0;
    });
}

std::uint64_t XorgDummyServer::crtc(int n) const {
    return withCrtc(display(), n, [](Display*, RRCrtc crtc) { return std::uint64_t{crtc}; });
}

::testing::AssertionResult outputHolds(const XorgDummyServer& server, int n,
                                       const GammaRamp& expected, milliseconds timeout) {
    std::optional<GammaRamp> seen;
    if (waitUntil(
            [&] {
                seen = server.ramp(n);
                return seen == expected;
            },
            timeout)) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << "DUMMY" << n << ": " << e2e::rampDifference(expected, seen);
}
