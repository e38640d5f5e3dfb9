#include "platform/win32/Win32WindowDrag.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

bool Win32WindowDrag::startMove(NativeWindow window) {
    HWND hwnd = reinterpret_cast<HWND>(window);
    if (hwnd == nullptr || !IsWindow(hwnd)) {
        return false;
    }
    ReleaseCapture();
    SendMessageW(hwnd, WM_NCLBUTTONDOWN, HTCAPTION, 0);
    return true;
}
