#include "platform/win32/Win32ActiveWindowSource.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "platform/win32/Win32DisplayGamma.h"

namespace {

using Window = ActiveWindowSource::Window;

// Dispatches this thread's messages, which is where out-of-context WinEvents arrive, until
// `condition` holds (ten seconds at most).
bool pumpUntil(const std::function<bool()>& condition) {
    const ULONGLONG end = GetTickCount64() + 10000;
    while (!condition()) {
        if (GetTickCount64() > end) {
            return false;
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageW(&msg);
        }
    }
    return true;
}

// fullscreen_window.exe, built beside this test: another program's window covering the monitor,
// which changes at the test's bidding and raises the WinEvents Windows would (Wine 8 raises none).
class OtherProgram {
  public:
    OtherProgram() {
        wchar_t path[MAX_PATH] = {};
        GetModuleFileNameW(nullptr, path, MAX_PATH);
        std::wstring command = path;
        command = command.substr(0, command.find_last_of(L"\\/") + 1) + L"fullscreen_window.exe";
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        if (CreateProcessW(command.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                           nullptr, &startup, &process_)) {
            CloseHandle(process_.hThread);
        }
    }
    ~OtherProgram() {
        if (process_.hProcess != nullptr) {
            TerminateProcess(process_.hProcess, 0);
            WaitForSingleObject(process_.hProcess, 5000);
            CloseHandle(process_.hProcess);
        }
    }
    HWND window() const { return FindWindowW(L"DimwardenTestFullScreen", nullptr); }
    void ask(UINT what) const { PostMessageW(window(), what, 0, 0); }
    static constexpr UINT kGoFull = WM_APP + 1;
    static constexpr UINT kGoSmall = WM_APP + 2;
    static constexpr UINT kToFront = WM_APP + 3;
    static constexpr UINT kMinimise = WM_APP + 4;

  private:
    PROCESS_INFORMATION process_ = {};
};

TEST(Win32ActiveWindowSource, FollowsAnotherProgramsWindowAndNeverTheToolsOwn) {
    Win32DisplayGamma display;
    const HMONITOR primary = MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY);
    MONITORINFOEXW info = {};
    info.cbSize = sizeof info;
    ASSERT_TRUE(GetMonitorInfoW(primary, &info));
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
    ASSERT_NE(own, nullptr);
    SetForegroundWindow(own);
    OtherProgram other;
    ASSERT_TRUE(pumpUntil([&] { return other.window() != nullptr; }));

    const auto shown = [&](bool covered) {
        return Window{{"fullscreen_window.exe"}, false, {{monitor, covered}}};
    };
    const struct {
        const char* step;
        std::function<void()> act;
        std::optional<Window> expected;
    } steps[] = {
        {"another program's window covers the monitor", [] {}, shown(true)},
        {"made small", [&] { other.ask(OtherProgram::kGoSmall); }, shown(false)},
        {"the tool's own window in front",
         [&] {
             SetForegroundWindow(own);
             NotifyWinEvent(EVENT_SYSTEM_FOREGROUND, own, OBJID_WINDOW, CHILDID_SELF);
         },
         std::nullopt},
        {"the other one as large as the monitor, behind: nothing changes",
         [&] { other.ask(OtherProgram::kGoFull); }, std::nullopt},
        {"the other one in front", [&] { other.ask(OtherProgram::kToFront); }, shown(true)},
        {"minimised", [&] { other.ask(OtherProgram::kMinimise); },
         Window{{"fullscreen_window.exe"}, false, {}}},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.step);
        s.act();
        EXPECT_TRUE(pumpUntil([&] { return source.active() == s.expected; }));
    }
    // Told once per step that changed something, not for every event on the way.
    EXPECT_EQ(changes, 5);
    DestroyWindow(own);
}

}  // namespace
