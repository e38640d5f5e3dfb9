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

#include "main_window/NotifyIcon.h"

// One icon in the notification area through Shell_NotifyIcon, showing the program's icon. Its
// mouse events arrive at a hidden window of its own as `callbackMessage`. When Explorer restarts,
// the taskbar is new and empty: the icon is added again on its TaskbarCreated broadcast, which
// reaches top-level windows only (not message-only ones), so that window is a hidden top-level
// one.
class Win32NotifyIcon : public NotifyIcon {
  public:
    explicit Win32NotifyIcon(UINT callbackMessage = WM_APP + 1);
    ~Win32NotifyIcon();
    Win32NotifyIcon(const Win32NotifyIcon&) = delete;
    Win32NotifyIcon& operator=(const Win32NotifyIcon&) = delete;

    // Whether a taskbar exists right now to show an icon in.
    bool available() override;
    // Adding an icon that is there already changes nothing. When the shell refuses, the icon is
    // still wanted and comes with the next taskbar.
    void add(const std::string& tipUtf8) override;
    void remove() override;
    bool wanted() const { return wanted_; }
    bool shown() const { return shown_; }
    HWND window() const { return data_.hWnd; }

    // True when the message belonged to the icon (and was handled).
    bool handleMessage(UINT message, WPARAM wParam, LPARAM lParam);

  private:
    static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    NOTIFYICONDATAW data_ = {};
    UINT taskbarCreated_ = 0;
    bool wanted_ = false;
    bool shown_ = false;
};
