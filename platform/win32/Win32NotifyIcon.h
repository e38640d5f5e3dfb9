#pragma once

#include <functional>
#include <string>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
// After windows.h.
#include <shellapi.h>

// One icon in the notification area through Shell_NotifyIcon. Its mouse events arrive at the
// owner window as `callbackMessage`; the owner's window procedure hands every message to
// handleMessage first. When Explorer restarts, the taskbar is new and empty: the icon is added
// again on its TaskbarCreated broadcast, which reaches top-level windows only (not message-only
// ones), so the owner must be one.
class Win32NotifyIcon {
  public:
    enum class Click { LeftPress, DoubleClick, RightPress, MiddlePress };

    Win32NotifyIcon(HWND owner, UINT callbackMessage);
    ~Win32NotifyIcon();
    Win32NotifyIcon(const Win32NotifyIcon&) = delete;
    Win32NotifyIcon& operator=(const Win32NotifyIcon&) = delete;

    // Whether a taskbar exists right now to show an icon in.
    bool available() const;
    // Adding an icon that is there already changes nothing. False when the shell refused; the
    // icon is still wanted and comes with the next taskbar.
    bool add(HICON icon, const std::string& tipUtf8);
    void remove();
    bool wanted() const { return wanted_; }

    // True when the message belonged to the icon (and was handled).
    bool handleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    std::function<void(Click)> onClick;

  private:
    NOTIFYICONDATAW data_ = {};
    UINT taskbarCreated_ = 0;
    bool wanted_ = false;
    bool shown_ = false;
};
