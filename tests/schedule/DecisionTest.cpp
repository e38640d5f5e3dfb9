#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "schedule/Decision.h"
#include "support/MemoryClock.h"

namespace {

constexpr std::int64_t kHour = 3'600'000;

Schedule parsed(const char* text) {
    const schedule::Parsed p = schedule::parse(text);
    EXPECT_TRUE(p.schedule) << text;
    return p.schedule.value_or(Schedule{});
}

// Times in the rows are UTC; the comments give Berlin's wall clock.
TEST(ScheduleDecision, FixedTimesInALocalZoneWithSummerTime) {
    struct Row {
        const char* schedule;
        std::int64_t now;
        bool night;
        std::int64_t next;
    };
    const Row rows[] = {
        // Winter (UTC+1), a night across midnight.
        {"22:00-07:00", utcMs(2026, 1, 10, 20, 59), false, utcMs(2026, 1, 10, 21)},  // 21:59
        {"22:00-07:00", utcMs(2026, 1, 10, 21), true, utcMs(2026, 1, 11, 6)},        // 22:00 sharp
        {"22:00-07:00", utcMs(2026, 1, 10, 23), true, utcMs(2026, 1, 11, 6)},        // 00:00
        {"22:00-07:00", utcMs(2026, 1, 11, 2), true, utcMs(2026, 1, 11, 6)},         // 03:00
        {"22:00-07:00", utcMs(2026, 1, 11, 6), false, utcMs(2026, 1, 11, 21)},       // 07:00 sharp
        // A night within one day, and one from midnight.
        {"08:00-17:00", utcMs(2026, 1, 10, 11), true, utcMs(2026, 1, 10, 16)},
        {"08:00-17:00", utcMs(2026, 1, 10, 17), false, utcMs(2026, 1, 11, 7)},
        {"00:00-06:00", utcMs(2026, 1, 10, 22, 59), false, utcMs(2026, 1, 10, 23)},  // 23:59
        // Summer time starts (29 March 2026, 02:00 -> 03:00): that night is an hour shorter.
        {"22:00-07:00", utcMs(2026, 3, 28, 22), true, utcMs(2026, 3, 29, 5)},
        {"22:00-07:00", utcMs(2026, 3, 29, 5), false, utcMs(2026, 3, 29, 20)},  // 22:00 summer
        // 02:30 does not exist that night: the change comes as the clock leaves the gap.
        {"01:30-02:30", utcMs(2026, 3, 29, 0, 45), true, utcMs(2026, 3, 29, 1, 30)},
        // Summer time ends (25 October 2026, 03:00 -> 02:00): an hour longer.
        {"22:00-07:00", utcMs(2026, 10, 24, 21), true, utcMs(2026, 10, 25, 6)},
        // 02:30 comes twice: the first one counts.
        {"01:00-02:30", utcMs(2026, 10, 25, 0, 15), true, utcMs(2026, 10, 25, 0, 30)},
        {"01:00-02:30", utcMs(2026, 10, 25, 1, 15), false, utcMs(2026, 10, 26, 0)},
        // New Year across a night.
        {"23:30-00:30", utcMs(2026, 12, 31, 22, 45), true, utcMs(2026, 12, 31, 23, 30)},
    };
    MemoryClock zone = berlinClock();
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(r.schedule) + " at " + std::to_string(r.now));
        const schedule::Decision d = schedule::decide(parsed(r.schedule), r.now, zone);
        EXPECT_EQ(d.night, r.night);
        ASSERT_TRUE(d.nextChange);
        EXPECT_EQ(*d.nextChange, r.next) << "off by " << (*d.nextChange - r.next) / 60000 << " min";
    }
}

TEST(ScheduleDecision, TheSunFollowsCivilTwilight) {
    struct Row {
        const char* what;
        const char* schedule;
        std::int64_t now;
        bool night;
        std::int64_t next;  // within two minutes
    };
    // New York on 21 December 2024: civil dusk 17:03 EST, civil dawn 06:46 EST (USNO tables).
    const Row rows[] = {
        {"New York, midday", "sun:40.7128,-74.006", utcMs(2024, 12, 21, 17), false,
         utcMs(2024, 12, 21, 22, 3)},
        {"New York, evening", "sun:40.7128,-74.006", utcMs(2024, 12, 22, 4), true,
         utcMs(2024, 12, 22, 11, 46)},
        {"New York, before dawn", "sun:40.7128,-74.006", utcMs(2024, 12, 22, 11, 40), true,
         utcMs(2024, 12, 22, 11, 46)},
    };
    MemoryClock zone = berlinClock();  // the sun pays no heed to the zone
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        const schedule::Decision d = schedule::decide(parsed(r.schedule), r.now, zone);
        EXPECT_EQ(d.night, r.night);
        ASSERT_TRUE(d.nextChange);
        EXPECT_LE(std::llabs(*d.nextChange - r.next), 2 * 60'000);
    }
}

// Far north and south, and at the poles themselves, night and day last weeks or months: the next
// change is still found, however far off.
TEST(ScheduleDecision, PolarSummerAndWinterWaitForTheSunToCross) {
    const struct {
        const char* what;
        const char* schedule;
        std::int64_t now;
        bool night;
        std::int64_t after, before;  // the next change falls between
    } rows[] = {
        {"Tromso, midsummer: the first civil dusk in August", "sun:69.6492,18.9553",
         utcMs(2026, 6, 21, 0), false, utcMs(2026, 7, 20), utcMs(2026, 8, 31)},
        {"Longyearbyen, midwinter: dawn weeks off", "sun:78.2232,15.6267", utcMs(2026, 12, 21, 12),
         true, utcMs(2027, 1, 15), utcMs(2027, 3, 1)},
        {"Reykjavik, midsummer: the sun sets but civil night never comes", "sun:64.1466,-21.9426",
         utcMs(2026, 6, 21, 0, 30), false, utcMs(2026, 7, 1), utcMs(2026, 9, 1)},
        // At a pole the sun stands 6 degrees down when its declination does: early October and
        // early March in the north, early September and early April in the south.
        {"the North Pole, midsummer", "sun:90,0", utcMs(2026, 6, 21), false, utcMs(2026, 9, 25),
         utcMs(2026, 10, 20)},
        {"the South Pole, midwinter", "sun:-90,0", utcMs(2026, 6, 21), true, utcMs(2026, 8, 25),
         utcMs(2026, 9, 20)},
        {"a hair from the North Pole, midwinter", "sun:89.9999,0", utcMs(2026, 12, 21), true,
         utcMs(2027, 2, 20), utcMs(2027, 3, 20)},
    };
    MemoryClock zone;
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        const schedule::Decision d = schedule::decide(parsed(r.schedule), r.now, zone);
        EXPECT_EQ(d.night, r.night);
        ASSERT_TRUE(d.nextChange);
        EXPECT_GT(*d.nextChange, r.after);
        EXPECT_LT(*d.nextChange, r.before);
        // The change is one: a minute on, the other mode.
        EXPECT_NE(schedule::decide(parsed(r.schedule), *d.nextChange + 60'000, zone).night,
                  r.night);
    }
}

TEST(ScheduleDecision, EveryInstantOfAYearAgreesWithItsNeighbours) {
    // The mode holds from one change to the next: deciding just before a change gives the change
    // itself as the next one, and deciding at it gives the other mode.
    MemoryClock zone = berlinClock();
    for (const char* text : {"22:00-07:00", "sun:52.52,13.405", "sun:-54.8,-68.3"}) {
        SCOPED_TRACE(text);
        const Schedule s = parsed(text);
        std::int64_t t = utcMs(2026, 1, 1);
        int changes = 0;
        while (t < utcMs(2027, 1, 1)) {
            const schedule::Decision d = schedule::decide(s, t, zone);
            ASSERT_TRUE(d.nextChange);
            ASSERT_GT(*d.nextChange, t);
            ASSERT_LT(*d.nextChange - t, 24 * kHour + kHour);
            const schedule::Decision before = schedule::decide(s, *d.nextChange - 1, zone);
            EXPECT_EQ(before.night, d.night);
            EXPECT_EQ(before.nextChange, d.nextChange);
            const schedule::Decision after = schedule::decide(s, *d.nextChange, zone);
            EXPECT_NE(after.night, d.night);
            t = *d.nextChange;
            ++changes;
        }
        EXPECT_GE(changes, 2 * 364);
    }
}

}  // namespace
