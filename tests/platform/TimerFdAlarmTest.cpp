#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTest>
#include <chrono>

#include "platform/linux/SystemClock.h"
#include "platform/linux/TimerFdAlarm.h"
#include "support/Files.h"

namespace {

TEST(TimerFdAlarm, FiresOnceAtItsTimeAndNotWhenDisarmed) {
    TimerFdAlarm alarm;
    ASSERT_TRUE(alarm.working()) << alarm.why();
    SystemClock clock;
    int fired = 0;
    std::int64_t firedAt = 0;
    alarm.onAlarm = [&] {
        ++fired;
        firedAt = clock.now();
    };
    const std::int64_t due = clock.now() + 150;
    alarm.arm(due);
    ASSERT_TRUE(QTest::qWaitFor([&] { return fired > 0; }, 3000));
    EXPECT_GE(firedAt, due);
    QTest::qWait(200);
    EXPECT_EQ(fired, 1);

    // Re-arming replaces; a time in the past is due at once; disarm stops it.
    alarm.arm(clock.now() + 100'000);
    alarm.arm(clock.now() - 5000);
    EXPECT_TRUE(QTest::qWaitFor([&] { return fired == 2; }, 3000));
    alarm.arm(clock.now() + 100);
    alarm.disarm();
    QTest::qWait(300);
    EXPECT_EQ(fired, 2);
}

TEST(TimerFdAlarm, ANewZoneFileIsAClockChange) {
    QTemporaryDir dir;
    const std::string zone = dir.filePath("localtime").toStdString();
    writeBytes(zone, "zone one");
    TimerFdAlarm alarm(nullptr, zone);
    int changed = 0;
    alarm.onClockChanged = [&] { ++changed; };
    // Replaced as the system's tools do it: a new file renamed over the old one.
    const std::string fresh = dir.filePath("localtime.new").toStdString();
    writeBytes(fresh, "zone two, longer");
    ASSERT_EQ(std::rename(fresh.c_str(), zone.c_str()), 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return changed > 0; }, 3000));
    // Other files in the folder come and go without a word.
    const int seen = changed;
    writeBytes(dir.filePath("other").toStdString(), "x");
    QTest::qWait(300);
    EXPECT_EQ(changed, seen);
}

TEST(SystemClock, OffsetFollowsTheZone) {
    const char* old = std::getenv("TZ");
    const std::string kept = old ? old : "";
    setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
    tzset();
    SystemClock clock;
    // 15 January and 15 July 2026, noon UTC.
    EXPECT_EQ(clock.utcOffset(1768478400000LL), 3600);
    EXPECT_EQ(clock.utcOffset(1784116800000LL), 7200);
    old ? setenv("TZ", kept.c_str(), 1) : unsetenv("TZ");
    tzset();
}

}  // namespace
