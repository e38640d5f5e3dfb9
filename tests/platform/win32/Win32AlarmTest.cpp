#include "platform/win32/Win32Alarm.h"

#include <gtest/gtest.h>

#include "support/MessagePump.h"

// The system's clock, set back by `offsetMs` behind the timer's back.
class ShiftedClock : public Clock {
  public:
    std::int64_t offsetMs = 0;
    std::int64_t now() override { return real_.now() + offsetMs; }
    int utcOffset(std::int64_t utcMs) override { return real_.utcOffset(utcMs); }

  private:
    Win32Clock real_;
};

// Fires once, through the message loop, at the wall clock's instant: a timer that comes early by
// that clock is armed again.
TEST(Win32Alarm, FiresOnceAtTheWallClockInstantAndDisarmStopsIt) {
    ShiftedClock clock;
    Win32Alarm alarm(clock);
    ASSERT_NE(alarm.window(), nullptr);
    int fired = 0;
    std::int64_t firedAt = 0;
    alarm.onAlarm = [&] {
        ++fired;
        firedAt = clock.now();
    };
    const std::int64_t due = clock.now() + 50;
    alarm.arm(due);
    clock.offsetMs = -400;  // the timer comes 400 ms early by this clock
    EXPECT_TRUE(pumpUntil([&] { return fired > 0; }));
    EXPECT_GE(firedAt, due) << "fired on the elapsed time, not the wall clock";
    EXPECT_FALSE(alarm.armed());
    pumpUntil([] { return false; });  // one-shot: no second call
    EXPECT_EQ(fired, 1);

    alarm.arm(clock.now() + 20);
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
