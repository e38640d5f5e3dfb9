#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <functional>
#include <memory>

#include "platform/win32/Win32ResetNotifications.h"

// The system's news for the whole program: a change of the displays, a resume from suspend, the
// end of the session. Windows broadcasts them to top-level windows only (a message-only window
// gets none), so the platform keeps a top-level window of its own that is never shown; the
// program's views then handle only their own windows.
class Win32SystemEvents {
  public:
    Win32SystemEvents();
    ~Win32SystemEvents();
    Win32SystemEvents(const Win32SystemEvents&) = delete;
    Win32SystemEvents& operator=(const Win32SystemEvents&) = delete;

    // WM_DISPLAYCHANGE: outputs came, went or changed mode.
    std::function<void()> onDisplayChange;
    // WM_POWERBROADCAST with PBT_APMRESUMEAUTOMATIC: the machine woke.
    std::function<void()> onResume;
    // WM_ENDSESSION confirming the end: the process is about to end, so the call must finish
    // everything that has to outlive it. A query (WM_QUERYENDSESSION) is always agreed to.
    std::function<void()> onEndSession;
    // A display woken (power settings) or the session back at the screen (unlock, console
    // connect): Windows may have put the displays' own ramps back.
    std::function<void()> onDisplaysReset;

    // The hidden window (tests send to it).
    HWND window() const { return hwnd_; }

  private:
    static LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT handle(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

    HWND hwnd_ = nullptr;
    std::unique_ptr<Win32ResetNotifications> resets_;
};
