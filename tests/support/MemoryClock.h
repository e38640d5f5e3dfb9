#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "schedule/Alarm.h"
#include "schedule/Clock.h"

// A wall clock and a time zone held in memory: the time moves only when a test moves it, and the
// zone is a base offset plus transitions (instant, new offset) in order.
class MemoryClock : public Clock {
  public:
    std::int64_t nowMs = 0;
    int baseOffset = 0;  // seconds east of UTC before the first transition
    std::vector<std::pair<std::int64_t, int>> transitions;

    std::int64_t now() override { return nowMs; }
    int utcOffset(std::int64_t utcMs) override {
        int offset = baseOffset;
        for (const auto& [at, value] : transitions) {
            if (utcMs >= at) {
                offset = value;
            }
        }
        return offset;
    }
};

// Milliseconds since the epoch of a UTC date and time (proleptic Gregorian calendar).
constexpr std::int64_t utcMs(int y, int m, int d, int hour = 0, int minute = 0, int second = 0) {
    y -= m <= 2 ? 1 : 0;
    const int era = (y >= 0 ? y : y - 399) / 400;
    const int yoe = y - era * 400;
    const int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    const std::int64_t days = static_cast<std::int64_t>(era) * 146097 + doe - 719468;
    return ((days * 24 + hour) * 60 + minute) * 60'000LL + second * 1000LL;
}

// Central European time with its 2026 and 2027 summer times (last Sundays of March and October,
// 01:00 UTC).
inline MemoryClock berlinClock() {
    MemoryClock c;
    c.baseOffset = 3600;
    c.transitions = {{utcMs(2026, 3, 29, 1), 7200},
                     {utcMs(2026, 10, 25, 1), 3600},
                     {utcMs(2027, 3, 28, 1), 7200},
                     {utcMs(2027, 10, 31, 1), 3600}};
    return c;
}

// An alarm held in memory: it records what it was armed for, and fires when the test runs the
// clock past that.
class MemoryAlarm : public Alarm {
  public:
    std::optional<std::int64_t> armedAt;
    int arms = 0;

    void arm(std::int64_t atMs) override {
        armedAt = atMs;
        ++arms;
    }
    void disarm() override { armedAt.reset(); }

    // Moves `clock` forward to `untilMs`, firing the alarm at each instant it was armed for on the
    // way, as the event loop would. Returns how often it fired.
    int runUntil(MemoryClock& clock, std::int64_t untilMs) {
        int fired = 0;
        while (armedAt && *armedAt <= untilMs) {
            clock.nowMs = std::max(clock.nowMs, *armedAt);
            armedAt.reset();
            ++fired;
            if (onAlarm) {
                onAlarm();
            }
        }
        clock.nowMs = std::max(clock.nowMs, untilMs);
        return fired;
    }
    // The clock jumps (set by hand, a resume): the alarm is told as the real one would be.
    void jump(MemoryClock& clock, std::int64_t toMs) {
        clock.nowMs = toMs;
        if (onClockChanged) {
            onClockChanged();
        }
    }
};
