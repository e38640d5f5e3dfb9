// Dimwarden on Windows: the native program over the same forms as on Linux.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
// After windows.h.
#include <shellapi.h>

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/Instance.h"
#include "control/Command.h"
#include "main_window/frmMain.h"
#include "platform/CommandChannel.h"
#include "platform/SystemPlatform.h"
#include "platform/win32/ConsoleAttach.h"
#include "platform/win32/common/WinText.h"
#include "views/win32/Dpi.h"
#include "views/win32/Win32MainWindow.h"

namespace {

// The status when the process is to end here: the same options as on Linux. A command for the
// running instance is taken out into `command`.
std::optional<int> handleCommandLine(std::optional<control::Command>& command) {
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        args.push_back(win::toUtf8(argv[i]));
    }
    LocalFree(argv);
    const control::ParsedCommandLine taken = control::takeCommand(args);
    command = taken.command;
    std::optional<int> status;
    win::Win32Console console;
    if (!taken.error.empty()) {
        win::attachParentConsole(console);
        std::fprintf(stderr, "dimwarden: %s\n\n%s", taken.error.c_str(),
                     control::usageText().c_str());
        status = 2;
    }
    for (std::size_t i = 0; i < taken.rest.size() && !status; ++i) {
        const std::string& arg = taken.rest[i];
        if (arg == "-h" || arg == "--help") {
            win::attachParentConsole(console);
            std::fputs(control::usageText().c_str(), stdout);
            status = 0;
        } else if (arg == "-v" || arg == "--version") {
            win::attachParentConsole(console);
            std::printf("dimwarden %s\n", DIMWARDEN_VERSION);
            status = 0;
        } else {
            win::attachParentConsole(console);
            std::fprintf(stderr, "dimwarden: %s '%s'.\n\n%s",
                         arg.rfind('-', 0) == 0 ? "unknown option" : "unexpected argument",
                         arg.c_str(), control::usageText().c_str());
            status = 2;
        }
    }
    std::fflush(stdout);
    std::fflush(stderr);
    return status;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    std::optional<control::Command> command;
    if (const auto status = handleCommandLine(command)) {
        return *status;
    }
    // A refusal or another message goes to the console the program was started from, if any.
    win::Win32Console console;
    win::attachParentConsole(console);
    // A command goes to the instance running in this session; with none, the commands that
    // start the tool go on to start it and apply themselves once it has loaded.
    if (command) {
        if (const auto status = sendToRunningInstance(*command, 0, nullptr)) {
            std::fflush(stdout);
            std::fflush(stderr);
            return *status;
        }
    }
    // The windows lay themselves out at their monitor's density; the system does not scale them.
    dpi::declareAwareness();

    SystemPlatform system;
    frmMain form(system.platform());
    Win32MainWindow view(form);
    return runInstance(system, form, command, 0, nullptr,
                       {[] {
                            MSG msg;
                            while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
                                TranslateMessage(&msg);
                                DispatchMessageW(&msg);
                            }
                            return 0;
                        },
                        [] { PostQuitMessage(0); },
                        // Built before the load: nothing here waits on a bus.
                        [] {}});
}
