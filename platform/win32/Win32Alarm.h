#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdint>
#include <optional>

#include "schedule/Alarm.h"
#include "schedule/Clock.h"

// The schedule's alarm on Windows: one one-shot user timer on a hidden window of the UI thread, so
// it arrives through the message loop and an idle tool does no work until it is due. The timer
// counts elapsed time, not the wall clock, so when it fires early (the clock was set forward, the
// wait was longer than one timer can take) it is armed again for what is left. A clock set by
// hand, by time sync or a new time zone reaches every top-level window as WM_TIMECHANGE, which
// is passed on as onClockChanged; a resume comes through the main window.
class Win32Alarm : public Alarm {
  public:
    explicit Win32Alarm(Clock& clock);
    ~Win32Alarm() override;
    Win32Alarm(const Win32Alarm&) = delete;
    Win32Alarm& operator=(const Win32Alarm&) = delete;

    void arm(std::int64_t atMs) override;
    void disarm() override;

    // The hidden window the timer and the clock's news arrive at (tests post to it).
    HWND window() const { return hwnd_; }
    bool armed() const { return at_.has_value(); }

  private:
    static LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    void setTimer(std::int64_t nowMs);
    void timerFired();

    Clock& clock_;
    HWND hwnd_ = nullptr;
    std::optional<std::int64_t> at_;
};

// The system's wall clock and the time zone the system is set to, read afresh at every call.
class Win32Clock : public Clock {
  public:
    std::int64_t now() override;
    int utcOffset(std::int64_t utcMs) override;
};
