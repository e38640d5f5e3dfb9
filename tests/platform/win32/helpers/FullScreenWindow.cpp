// Another program's window for the tests: a borderless window the size of the primary monitor,
// as games and players make one, brought to the front. It prints "full T" once it is, T the wall
// clock in microseconds since 1970, so that a test can time what follows. Posted messages make
// it small, full again, come to the front or minimise (kGoFull and the rest below); WM_CLOSE
// ends it.
//
// Windows raises the foreground, location and minimise WinEvents for these changes itself; Wine 8
// raises none of them, so the window raises each one with NotifyWinEvent as it makes the change.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdio>

namespace {

constexpr UINT kGoFull = WM_APP + 1;
constexpr UINT kGoSmall = WM_APP + 2;
constexpr UINT kToFront = WM_APP + 3;
constexpr UINT kMinimise = WM_APP + 4;

void place(HWND hwnd, bool full) {
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    GetMonitorInfoW(MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY), &info);
    const RECT& m = info.rcMonitor;
    SetWindowPos(hwnd, HWND_TOP, full ? m.left : m.left + 100, full ? m.top : m.top + 100,
                 full ? m.right - m.left : 320, full ? m.bottom - m.top : 200, SWP_SHOWWINDOW);
    NotifyWinEvent(EVENT_OBJECT_LOCATIONCHANGE, hwnd, OBJID_WINDOW, CHILDID_SELF);
}

void toFront(HWND hwnd) {
    SetForegroundWindow(hwnd);
    NotifyWinEvent(EVENT_SYSTEM_FOREGROUND, hwnd, OBJID_WINDOW, CHILDID_SELF);
}

LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case kGoFull:
        case kGoSmall:
            place(hwnd, message == kGoFull);
            return 0;
        case kToFront:
            toFront(hwnd);
            return 0;
        case kMinimise:
            ShowWindow(hwnd, SW_MINIMIZE);
            NotifyWinEvent(EVENT_SYSTEM_MINIMIZESTART, hwnd, OBJID_WINDOW, CHILDID_SELF);
            return 0;
        case WM_CLOSE:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

}  // namespace

int main() {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = windowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = L"DimwardenTestFullScreen";
    RegisterClassExW(&wc);
    HWND hwnd = CreateWindowExW(0, wc.lpszClassName, L"full screen test window", WS_POPUP, 0, 0, 1,
                                1, nullptr, nullptr, wc.hInstance, nullptr);
    place(hwnd, true);
    toFront(hwnd);
    FILETIME now;
    GetSystemTimePreciseAsFileTime(&now);
    const unsigned long long ticks =
        (static_cast<unsigned long long>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    std::printf("full %llu\n", (ticks - 116444736000000000ull) / 10);
    std::fflush(stdout);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        DispatchMessageW(&msg);
    }
    return 0;
}
