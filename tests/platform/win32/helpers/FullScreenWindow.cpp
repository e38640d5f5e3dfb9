// Another program's window for the tests: a borderless window the size of the primary monitor,
// as games and players make one, brought to the foreground.
//
//     fullscreen_window.exe [MS COUNT]
//
// With MS and COUNT it then alternates every MS milliseconds between a small window and the whole
// monitor, COUNT times. Each change is printed when made, as "full T" or "small T" with T the
// wall clock in microseconds since 1970, so that a test can time what follows. Posted messages
// make it do the same at a test's bidding (kGoFull, kGoSmall, kToFront, kMinimise below);
// WM_CLOSE ends it.
//
// Windows raises the foreground, location and minimise WinEvents for these changes itself; Wine 8
// raises none of them, so the window raises each one with NotifyWinEvent as it makes the change.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr UINT kGoFull = WM_APP + 1;
constexpr UINT kGoSmall = WM_APP + 2;
constexpr UINT kToFront = WM_APP + 3;
constexpr UINT kMinimise = WM_APP + 4;

RECT monitor = {};
bool full = true;
int flipsLeft = 0;

void place(HWND hwnd) {
    if (full) {
        SetWindowPos(hwnd, HWND_TOP, monitor.left, monitor.top, monitor.right - monitor.left,
                     monitor.bottom - monitor.top, SWP_SHOWWINDOW);
    } else {
        SetWindowPos(hwnd, HWND_TOP, monitor.left + 100, monitor.top + 100, 320, 200,
                     SWP_SHOWWINDOW);
    }
    NotifyWinEvent(EVENT_OBJECT_LOCATIONCHANGE, hwnd, OBJID_WINDOW, CHILDID_SELF);
    FILETIME now;
    GetSystemTimePreciseAsFileTime(&now);
    const unsigned long long ticks =
        (static_cast<unsigned long long>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    std::printf("%s %llu\n", full ? "full" : "small", (ticks - 116444736000000000ull) / 10);
    std::fflush(stdout);
}

void toFront(HWND hwnd) {
    SetForegroundWindow(hwnd);
    NotifyWinEvent(EVENT_SYSTEM_FOREGROUND, hwnd, OBJID_WINDOW, CHILDID_SELF);
}

LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TIMER && flipsLeft > 0) {
        --flipsLeft;
        full = !full;
        place(hwnd);
        return 0;
    }
    if (message == kGoFull || message == kGoSmall) {
        full = message == kGoFull;
        place(hwnd);
        return 0;
    }
    if (message == kToFront) {
        toFront(hwnd);
        return 0;
    }
    if (message == kMinimise) {
        ShowWindow(hwnd, SW_MINIMIZE);
        NotifyWinEvent(EVENT_SYSTEM_MINIMIZESTART, hwnd, OBJID_WINDOW, CHILDID_SELF);
        return 0;
    }
    if (message == WM_CLOSE) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace

int main(int argc, char** argv) {
    const POINT origin = {0, 0};
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    GetMonitorInfoW(MonitorFromPoint(origin, MONITOR_DEFAULTTOPRIMARY), &info);
    monitor = info.rcMonitor;

    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = windowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = L"DimwardenTestFullScreen";
    RegisterClassExW(&wc);
    HWND hwnd = CreateWindowExW(0, wc.lpszClassName, L"full screen test window", WS_POPUP, 0, 0, 1,
                                1, nullptr, nullptr, wc.hInstance, nullptr);
    place(hwnd);
    toFront(hwnd);
    if (argc == 3) {
        flipsLeft = std::atoi(argv[2]);
        SetTimer(hwnd, 1, static_cast<UINT>(std::atoi(argv[1])), nullptr);
    }
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        DispatchMessageW(&msg);
    }
    return 0;
}
