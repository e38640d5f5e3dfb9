#include "platform/win32/Win32Alarm.h"

#include <algorithm>

#include "platform/win32/HiddenWindow.h"

namespace {

constexpr wchar_t kClass[] = L"Dimwarden.Alarm";
constexpr UINT_PTR kTimerId = 1;
// 100 ns units between 1601-01-01 and 1970-01-01.
constexpr std::int64_t kEpochDifference = 116444736000000000LL;

std::int64_t toMs(const FILETIME& f) {
    const std::int64_t ticks = (static_cast<std::int64_t>(f.dwHighDateTime) << 32) |
                               static_cast<std::int64_t>(f.dwLowDateTime);
    return (ticks - kEpochDifference) / 10'000;
}

FILETIME toFileTime(std::int64_t ms) {
    const std::int64_t ticks = ms * 10'000 + kEpochDifference;
    return {static_cast<DWORD>(ticks & 0xFFFFFFFF), static_cast<DWORD>(ticks >> 32)};
}

}  // namespace

// A message-only window would miss WM_TIMECHANGE.
Win32Alarm::Win32Alarm(Clock& clock)
    : clock_(clock), hwnd_(win::createHiddenWindow(kClass, windowProc, this)) {}

Win32Alarm::~Win32Alarm() {
    if (hwnd_ != nullptr) {
        KillTimer(hwnd_, kTimerId);
    }
    win::destroyHiddenWindow(hwnd_);
}

void Win32Alarm::arm(std::int64_t atMs) {
    at_ = atMs;
    setTimer(clock_.now());
}

void Win32Alarm::disarm() {
    at_.reset();
    if (hwnd_ != nullptr) {
        KillTimer(hwnd_, kTimerId);
    }
}

void Win32Alarm::setTimer(std::int64_t nowMs) {
    if (hwnd_ == nullptr || !at_) {
        return;
    }
    // SetTimer with the same id replaces the earlier timer. USER_TIMER_MINIMUM is 10 ms; a time
    // already past fires on the next round of the loop.
    const std::int64_t wait =
        std::clamp<std::int64_t>(*at_ - nowMs, USER_TIMER_MINIMUM, USER_TIMER_MAXIMUM);
    SetTimer(hwnd_, kTimerId, static_cast<UINT>(wait), nullptr);
}

void Win32Alarm::timerFired() {
    if (!at_) {
        KillTimer(hwnd_, kTimerId);
        return;
    }
    const std::int64_t now = clock_.now();
    if (now < *at_) {
        setTimer(now);
        return;
    }
    KillTimer(hwnd_, kTimerId);
    at_.reset();
    if (onAlarm) {
        onAlarm();
    }
}

LRESULT CALLBACK Win32Alarm::windowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* self = static_cast<Win32Alarm*>(win::ownerOf(hwnd, msg, lParam));
    if (self != nullptr) {
        switch (msg) {
            case WM_TIMER:
                if (wParam == kTimerId) {
                    self->timerFired();
                    return 0;
                }
                break;
            case WM_TIMECHANGE:
                if (self->onClockChanged) {
                    self->onClockChanged();
                }
                return 0;
            default:
                break;
        }
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

std::int64_t Win32Clock::now() {
    FILETIME f;
    GetSystemTimeAsFileTime(&f);
    return toMs(f);
}

int Win32Clock::utcOffset(std::int64_t utcMs) {
    const FILETIME utc = toFileTime(utcMs);
    SYSTEMTIME utcTime;
    SYSTEMTIME localTime;
    FILETIME local;
    // The zone the system is set to now, with the daylight-saving rule of that instant's year.
    if (!FileTimeToSystemTime(&utc, &utcTime) ||
        !SystemTimeToTzSpecificLocalTime(nullptr, &utcTime, &localTime) ||
        !SystemTimeToFileTime(&localTime, &local)) {
        return 0;
    }
    return static_cast<int>((toMs(local) - utcMs) / 1000);
}
