#include "platform/win32/Win32ActiveWindowSource.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/win32/Win32DisplayGamma.h"
#include "support/MessagePump.h"

namespace {

using Window = ActiveWindowSource::Window;

// fullscreen_window.exe, built beside this test: another program's window covering the monitor,
// which changes when asked and raises the WinEvents Windows would (Wine 8 raises none).
class OtherProgram {
  public:
    OtherProgram() {
        wchar_t path[MAX_PATH] = {};
        GetModuleFileNameW(nullptr, path, MAX_PATH);
        std::wstring command = path;
        command = command.substr(0, command.find_last_of(L"\\/") + 1) + L"fullscreen_window.exe";
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        CreateProcessW(command.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                       nullptr, &startup, &process_);
    }
    ~OtherProgram() {
        TerminateProcess(process_.hProcess, 0);
        WaitForSingleObject(process_.hProcess, 5000);
        CloseHandle(process_.hProcess);
        CloseHandle(process_.hThread);
    }
    HWND window() const { return FindWindowW(L"DimwardenTestFullScreen", nullptr); }

  private:
    PROCESS_INFORMATION process_ = {};
};

TEST(Win32ActiveWindowSource, FollowsAnotherProgramsWindowAndNeverTheToolsOwn) {
    Win32DisplayGamma display;
    MONITORINFOEXW info = {};
    info.cbSize = sizeof info;
    ASSERT_TRUE(GetMonitorInfoW(MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY), &info));
    const RECT m = info.rcMonitor;
    // The monitor is known by the display backend's name for its device.
    std::string monitor;
    for (const auto& output : display.outputs()) {
        if (output.id == Win32DisplayGamma::idOf(info.szDevice)) {
            monitor = output.name;
        }
    }
    ASSERT_FALSE(monitor.empty());

    Win32ActiveWindowSource source(display);
    int changes = 0;
    source.onChanged = [&] { ++changes; };
    source.start();
    EXPECT_EQ(source.unavailable(), "");
    // Wine's desktop window is in front at first: the desktop is no program's window.
    EXPECT_EQ(source.active(), std::nullopt);

    // The tool's own window, as large as the monitor, never counts.
    HWND own =
        CreateWindowExW(0, L"STATIC", L"own", WS_POPUP | WS_VISIBLE, m.left, m.top,
                        m.right - m.left, m.bottom - m.top, nullptr, nullptr, nullptr, nullptr);
    SetForegroundWindow(own);
    OtherProgram other;
    ASSERT_TRUE(pumpUntil([&] { return other.window() != nullptr; }, 10000));

    const Window covering{{"fullscreen_window.exe"}, false, {{monitor, true}}};
    const Window small{{"fullscreen_window.exe"}, false, {{monitor, false}}};
    const Window minimised{{"fullscreen_window.exe"}, false, {}};
    // Asked of fullscreen_window.exe (WM_APP + 1 full, + 2 small, + 3 to the front, + 4 minimise),
    // or this one: the tool's own window to the front.
    constexpr UINT kOwnToFront = WM_APP + 100;
    const struct {
        const char* step;
        UINT ask;
        std::optional<Window> expected;
    } steps[] = {
        {"another program's window covers the monitor", WM_NULL, covering},
        {"made small", WM_APP + 2, small},
        {"the tool's own window in front", kOwnToFront, std::nullopt},
        {"the other one as large as the monitor, behind", WM_APP + 1, std::nullopt},
        {"the other one in front", WM_APP + 3, covering},
        {"minimised", WM_APP + 4, minimised},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.step);
        if (s.ask == kOwnToFront) {
            SetForegroundWindow(own);
            NotifyWinEvent(EVENT_SYSTEM_FOREGROUND, own, OBJID_WINDOW, CHILDID_SELF);
        } else {
            PostMessageW(other.window(), s.ask, 0, 0);
        }
        EXPECT_TRUE(pumpUntil([&] { return source.active() == s.expected; }, 10000));
    }
    // Told once per step that changed something, not for every event on the way.
    EXPECT_EQ(changes, 5);
    DestroyWindow(own);
}

}  // namespace
