#include "platform/win32/Win32SystemEvents.h"

#include "platform/win32/HiddenWindow.h"

namespace {

constexpr wchar_t kClass[] = L"Dimwarden.SystemEvents";

void call(const std::function<void()>& f) {
    if (f) {
        f();
    }
}

}  // namespace

Win32SystemEvents::Win32SystemEvents() : hwnd_(win::createHiddenWindow(kClass, windowProc, this)) {
    if (hwnd_ != nullptr) {
        resets_ = std::make_unique<Win32ResetNotifications>(hwnd_);
    }
}

Win32SystemEvents::~Win32SystemEvents() {
    resets_.reset();
    win::destroyHiddenWindow(hwnd_);
}

LRESULT CALLBACK Win32SystemEvents::windowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* self = static_cast<Win32SystemEvents*>(win::ownerOf(hwnd, msg, lParam));
    return self != nullptr ? self->handle(hwnd, msg, wParam, lParam)
                           : DefWindowProcW(hwnd, msg, wParam, lParam);
}

LRESULT Win32SystemEvents::handle(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (Win32ResetNotifications::isReset(msg, wParam, lParam)) {
        call(onDisplaysReset);
        return msg == WM_POWERBROADCAST ? TRUE : 0;
    }
    switch (msg) {
        case WM_DISPLAYCHANGE:
            call(onDisplayChange);
            return 0;
        case WM_POWERBROADCAST:
            if (wParam == PBT_APMRESUMEAUTOMATIC) {
                call(onResume);
            }
            return TRUE;
        case WM_QUERYENDSESSION:
            return TRUE;
        case WM_ENDSESSION:
            // The session ends without WM_CLOSE.
            if (wParam != FALSE) {
                call(onEndSession);
            }
            return 0;
        default:
            return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
}
