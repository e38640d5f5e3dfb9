#include "platform/win32/Win32NotifyIcon.h"

#include <cwchar>

#include "platform/win32/common/WinText.h"

#include "resources/WindowsResources.h"

namespace {
constexpr wchar_t kClass[] = L"Dimwarden.NotifyIcon";
}  // namespace

Win32NotifyIcon::Win32NotifyIcon(UINT callbackMessage)
    : taskbarCreated_(RegisterWindowMessageW(L"TaskbarCreated")) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = windowProc;
    wc.hInstance = instance;
    wc.lpszClassName = kClass;
    RegisterClassExW(&wc);
    data_.cbSize = sizeof data_;
    // Never shown.
    data_.hWnd = CreateWindowExW(WS_EX_TOOLWINDOW, kClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr,
                                 nullptr, instance, this);
    // In an elevated process the system drops broadcasts from Explorer, which runs with less
    // privilege: TaskbarCreated is let through to this window, or the icon would stay away after
    // an Explorer restart.
    if (data_.hWnd != nullptr && taskbarCreated_ != 0) {
        ChangeWindowMessageFilterEx(data_.hWnd, taskbarCreated_, MSGFLT_ALLOW, nullptr);
    }
    data_.uID = 1;
    data_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data_.uCallbackMessage = callbackMessage;
}

Win32NotifyIcon::~Win32NotifyIcon() {
    remove();
    if (data_.hWnd != nullptr) {
        SetWindowLongPtrW(data_.hWnd, GWLP_USERDATA, 0);
        DestroyWindow(data_.hWnd);
    }
}

LRESULT CALLBACK Win32NotifyIcon::windowProc(HWND hwnd, UINT message, WPARAM wParam,
                                             LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<Win32NotifyIcon*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self != nullptr && self->data_.hWnd == hwnd &&
        self->handleMessage(message, wParam, lParam)) {
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

bool Win32NotifyIcon::available() {
    return FindWindowW(L"Shell_TrayWnd", nullptr) != nullptr;
}

void Win32NotifyIcon::add(const std::string& tipUtf8) {
    if (shown_) {
        return;
    }
    data_.hIcon = static_cast<HICON>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(DIMWARDEN_ICON), IMAGE_ICON,
                   GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_SHARED));
    const std::wstring tip = win::toWide(tipUtf8);
    const std::size_t room = sizeof data_.szTip / sizeof data_.szTip[0] - 1;
    std::wmemset(data_.szTip, L'\0', room + 1);
    std::wmemcpy(data_.szTip, tip.data(), tip.size() < room ? tip.size() : room);
    wanted_ = true;
    shown_ = Shell_NotifyIconW(NIM_ADD, &data_) != FALSE;
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
