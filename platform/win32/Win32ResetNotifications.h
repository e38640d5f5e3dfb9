#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

// The moments at which Windows may put the displays' ramps back on its own, besides a display
// change and a resume: the display coming back on (power settings) and the session coming back
// to the screen (unlock, console connect, which also ends the secure desktop of a sign-in).
// Registered for one top-level window for as long as this object lives; the notifications
// arrive there as WM_POWERBROADCAST and WM_WTSSESSION_CHANGE.
class Win32ResetNotifications {
  public:
    explicit Win32ResetNotifications(HWND window);
    ~Win32ResetNotifications();
    Win32ResetNotifications(const Win32ResetNotifications&) = delete;
    Win32ResetNotifications& operator=(const Win32ResetNotifications&) = delete;

    // Whether the message says the display is back and its ramps may have been reset. Power
    // settings other than the three registered, and the display going off or dimming, are not.
    static bool isReset(UINT message, WPARAM wParam, LPARAM lParam);

  private:
    HWND window_;
    HPOWERNOTIFY power_[3] = {};
    bool session_ = false;
};
