#include "platform/win32/Win32Alarm.h"

#include <gtest/gtest.h>

#include "support/MemoryClock.h"

namespace {

// Runs the thread's message loop until `done` or about two seconds have passed.
template <typename Done>
bool pumpUntil(Done done) {
    for (int i = 0; i < 200 && !done(); ++i) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageW(&msg);
        }
    }
    return done();
}

}  // namespace

TEST(Win32Alarm, FiresOnceThroughTheMessageLoopAtTheWallClockInstant) {
    Win32Clock clock;
    Win32Alarm alarm(clock);
    ASSERT_NE(alarm.window(), nullptr);
    int fired = 0;
    std::int64_t firedAt = 0;
    alarm.onAlarm = [&] {
        ++fired;
        firedAt = clock.now();
    };
    const std::int64_t due = clock.now() + 150;
    alarm.arm(due);
    EXPECT_TRUE(pumpUntil([&] { return fired > 0; }));
    EXPECT_GE(firedAt, due);
    EXPECT_FALSE(alarm.armed());
    pumpUntil([] { return false; });  // one-shot: no second call
    EXPECT_EQ(fired, 1);
}

TEST(Win32Alarm, EarlyTimerIsArmedAgainAndDisarmStopsIt) {
    // A clock that stands still: the timer comes, finds the instant not reached and waits on.
    MemoryClock clock;
    clock.nowMs = 1'000'000;
    Win32Alarm alarm(clock);
    int fired = 0;
    alarm.onAlarm = [&] { ++fired; };
    alarm.arm(clock.nowMs + 20);
    clock.nowMs -= 60'000;  // set back by a minute
    pumpUntil([] { return false; });
    EXPECT_EQ(fired, 0);
    EXPECT_TRUE(alarm.armed());
    clock.nowMs += 60'020;
    EXPECT_TRUE(pumpUntil([&] { return fired > 0; }));
    alarm.arm(clock.nowMs + 20);
    alarm.disarm();
    pumpUntil([] { return false; });
    EXPECT_EQ(fired, 1);
}

TEST(Win32Alarm, TimeChangeIsPassedOn) {
    Win32Clock clock;
    Win32Alarm alarm(clock);
    int changes = 0;
    alarm.onClockChanged = [&] { ++changes; };
    SendMessageW(alarm.window(), WM_TIMECHANGE, 0, 0);
    EXPECT_EQ(changes, 1);
}

TEST(Win32Clock, NowAndOffsetAgreeWithTheSystem) {
    Win32Clock clock;
    FILETIME f;
    GetSystemTimeAsFileTime(&f);
    const std::int64_t ticks =
        (static_cast<std::int64_t>(f.dwHighDateTime) << 32) | f.dwLowDateTime;
    EXPECT_NEAR(static_cast<double>(clock.now()),
                static_cast<double>((ticks - 116444736000000000LL) / 10'000), 1000.0);
    // 2026-01-01 00:00 UTC: the system's zone, as the C library under Wine reads it.
    TIME_ZONE_INFORMATION tz;
    const DWORD kind = GetTimeZoneInformation(&tz);
    const int january = clock.utcOffset(utcMs(2026, 1, 15));
    const int july = clock.utcOffset(utcMs(2026, 7, 15));
    EXPECT_NE(kind, TIME_ZONE_ID_INVALID);
    EXPECT_TRUE(january == -tz.Bias * 60 - tz.StandardBias * 60 ||
                january == -tz.Bias * 60 - tz.DaylightBias * 60)
        << january;
    EXPECT_TRUE(july == -tz.Bias * 60 - tz.StandardBias * 60 ||
                july == -tz.Bias * 60 - tz.DaylightBias * 60)
        << july;
}
