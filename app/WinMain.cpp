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
#include <optional>
#include <string>

#include "main_window/frmMain.h"
#include "platform/SystemPlatform.h"
#include "platform/win32/ConsoleAttach.h"
#include "platform/win32/Win32DisplayGamma.h"
#include "platform/win32/WinText.h"
#include "views/win32/Win32MainWindow.h"

namespace {

constexpr const char* kUsage =
    "Usage: dimwarden [options]\n"
    "Dims or tints the whole screen by rewriting the display's gamma ramp.\n"
    "\n"
    "Options:\n"
    "  -h, --help     Show this help and exit.\n"
    "  -v, --version  Show the version and exit.\n";

// The status when the process is to end here: the same options as on Linux.
std::optional<int> handleCommandLine() {
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    std::optional<int> status;
    for (int i = 1; i < argc && !status; ++i) {
        const std::string arg = win::toUtf8(argv[i]);
        win::Win32Console console;
        if (arg == "-h" || arg == "--help") {
            win::attachParentConsole(console);
            std::fputs(kUsage, stdout);
            status = 0;
        } else if (arg == "-v" || arg == "--version") {
            win::attachParentConsole(console);
            std::printf("dimwarden %s\n", DIMWARDEN_VERSION);
            status = 0;
        } else {
            win::attachParentConsole(console);
            std::fprintf(stderr, "dimwarden: %s '%s'.\n\n%s",
                         arg.rfind('-', 0) == 0 ? "unknown option" : "unexpected argument",
                         arg.c_str(), kUsage);
            status = 2;
        }
    }
    LocalFree(argv);
    std::fflush(stdout);
    std::fflush(stderr);
    return status;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    if (const auto status = handleCommandLine()) {
        return *status;
    }
    // A refusal or another message goes to the console the program was started from, if any.
    win::Win32Console console;
    win::attachParentConsole(console);
    // The design is laid out in pixels at 96 dpi; the system scales the window on other screens.
    SetProcessDPIAware();

    SystemPlatform system;
    frmMain form(system.platform());
    Win32MainWindow view(form);
    auto& display = static_cast<Win32DisplayGamma&>(system.platform().display);
    // A ramp refused while others were taken (the dark brightness positions without the full
    // range) is said once, in the form's message style. A display that takes no ramp at all is
    // said by the form's load.
    bool loaded = false;
    bool refusedInLoad = false;
    const auto sayRefused = [&view, &display] {
        const std::string what = display.refusal();
        std::fprintf(stderr, "dimwarden: %s\n", what.c_str());
        view.sayMessage(
            frmMainLayout::kControls[frmMainLayout::index(frmMainLayout::Id::lbTitle)].caption,
            "Windows 拒绝了这个屏幕颜色，较暗的位置不会生效。\n[" + what + ".]");
    };
    display.onRefused = [&] {
        if (loaded) {
            sayRefused();
        } else {
            refusedInLoad = true;
        }
    };
    view.onDisplayChange = [&display] { display.displayChanged(); };
    view.onResume = [&form] { form.resumed(); };
    if (!form.Form_Load()) {
        return 0;  // another instance runs in this session; it is left alone
    }
    loaded = true;
    if (refusedInLoad && form.engine().accepted()) {
        sayRefused();
    }
    form.onUnloaded = [] { PostQuitMessage(0); };
    form.showAfterLoad();

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    form.Unload();
    return 0;
}
