#include "platform/win32/Win32NotifyIcon.h"

#include <cwchar>

#include "platform/win32/WinText.h"

Win32NotifyIcon::Win32NotifyIcon(HWND owner, UINT callbackMessage)
    : taskbarCreated_(RegisterWindowMessageW(L"TaskbarCreated")) {
    data_.cbSize = sizeof data_;
    data_.hWnd = owner;
    data_.uID = 1;
    data_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data_.uCallbackMessage = callbackMessage;
}

Win32NotifyIcon::~Win32NotifyIcon() {
    remove();
}

bool Win32NotifyIcon::available() const {
    return FindWindowW(L"Shell_TrayWnd", nullptr) != nullptr;
}

bool Win32NotifyIcon::add(HICON icon, const std::string& tipUtf8) {
    if (shown_) {
        return true;
    }
    data_.hIcon = icon;
    const std::wstring tip = win::toWide(tipUtf8);
    const std::size_t room = sizeof data_.szTip / sizeof data_.szTip[0] - 1;
    std::wmemset(data_.szTip, L'\0', room + 1);
    std::wmemcpy(data_.szTip, tip.data(), tip.size() < room ? tip.size() : room);
    wanted_ = true;
    shown_ = Shell_NotifyIconW(NIM_ADD, &data_) != FALSE;
    return shown_;
}

void Win32NotifyIcon::remove() {
    if (shown_) {
        Shell_NotifyIconW(NIM_DELETE, &data_);
    }
    shown_ = false;
    wanted_ = false;
}

bool Win32NotifyIcon::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == taskbarCreated_ && taskbarCreated_ != 0) {
        // The old taskbar went with its icons; this one knows none of them.
        if (wanted_) {
            shown_ = false;
            shown_ = Shell_NotifyIconW(NIM_ADD, &data_) != FALSE;
        }
        return true;
    }
    if (message != data_.uCallbackMessage || wParam != data_.uID) {
        return false;
    }
    if (onClick) {
        switch (LOWORD(lParam)) {
            case WM_LBUTTONDOWN:
                onClick(Click::LeftPress);
                break;
            case WM_LBUTTONDBLCLK:
                onClick(Click::DoubleClick);
                break;
            case WM_RBUTTONDOWN:
                onClick(Click::RightPress);
                break;
            case WM_MBUTTONDOWN:
                onClick(Click::MiddlePress);
                break;
            default:
                break;
        }
    }
    return true;
}
