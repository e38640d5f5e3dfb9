#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>

#include "schedule/SunTimes.h"
#include "support/MemoryClock.h"

namespace {

struct Row {
    const char* place;
    double lat;
    double lon;
    int year, month, day;
    int utcOffsetMinutes;  // the local time the table is printed in
    double altitude;
    int riseHour, riseMinute;  // local, as the table prints it
    int setHour, setMinute;
};

// Reference figures: sunrise and sunset (and civil twilight where marked) as the US Naval
// Observatory's "Sun and Moon Data for One Day" and NOAA's solar calculator print them, written
// down from those tables to the minute; tables round to the minute, so two minutes is the margin.
// Auckland and Sydney lie close to the date line, a day ahead of UTC: their morning is the
// previous UTC day.
const Row kTable[] = {
    {"London, summer solstice", 51.5074, -0.1278, 2024, 6, 20, 60, sun::kSunriseSunset, 4, 43, 21,
     21},
    {"London, winter solstice", 51.5074, -0.1278, 2024, 12, 21, 0, sun::kSunriseSunset, 8, 4, 15,
     53},
    {"New York, June", 40.7128, -74.0060, 2024, 6, 20, -240, sun::kSunriseSunset, 5, 25, 20, 31},
    {"New York, December", 40.7128, -74.0060, 2024, 12, 21, -300, sun::kSunriseSunset, 7, 17, 16,
     32},
    {"New York, December, civil", 40.7128, -74.0060, 2024, 12, 21, -300, sun::kCivilTwilight, 6, 46,
     17, 3},
    {"Honolulu, June", 21.3069, -157.8583, 2024, 6, 21, -600, sun::kSunriseSunset, 5, 50, 19, 16},
    {"Tokyo, June", 35.6762, 139.6503, 2024, 6, 21, 540, sun::kSunriseSunset, 4, 25, 19, 0},
    {"Anchorage, December", 61.2181, -149.9003, 2024, 12, 21, -540, sun::kSunriseSunset, 10, 14, 15,
     41},
    {"Sydney, December", -33.8688, 151.2093, 2024, 12, 21, 660, sun::kSunriseSunset, 5, 41, 20, 5},
    {"Auckland, June", -36.8485, 174.7633, 2024, 6, 21, 720, sun::kSunriseSunset, 7, 33, 17, 11},
};

std::int64_t localDay(const Row& r) {
    return utcMs(r.year, r.month, r.day) / 86'400'000;
}

TEST(SunTimes, CrossingsMatchPublishedTables) {
    for (const Row& r : kTable) {
        SCOPED_TRACE(r.place);
        const std::int64_t midnight =
            utcMs(r.year, r.month, r.day) / 1000 - r.utcOffsetMinutes * 60;
        const std::int64_t rise = midnight + (r.riseHour * 60 + r.riseMinute) * 60;
        const std::int64_t set = midnight + (r.setHour * 60 + r.setMinute) * 60;
        const auto got = sun::crossings(r.lat, r.lon, localDay(r), r.altitude);
        ASSERT_EQ(got.size(), 2u);
        EXPECT_TRUE(got[0].rising);
        EXPECT_FALSE(got[1].rising);
        EXPECT_LE(std::llabs(got[0].time - rise), 120)
            << "rise off by " << got[0].time - rise << " s";
        EXPECT_LE(std::llabs(got[1].time - set), 120) << "set off by " << got[1].time - set << " s";
    }
}

TEST(SunTimes, PolarDaysHaveNoCrossingAndTheRightSide) {
    struct Case {
        const char* place;
        double lat, lon;
        int year, month, day;
        double altitude;
        bool above;  // the sun stays above `altitude` all day
    };
    const Case cases[] = {
        // Midnight sun: the sun never sets.
        {"Tromso, June", 69.6492, 18.9553, 2024, 6, 21, sun::kSunriseSunset, true},
        // White night: the sun sets (00:04) but never gets 6 degrees down: no civil night.
        {"Reykjavik, June", 64.1466, -21.9426, 2024, 6, 21, sun::kCivilTwilight, true},
        // Polar night, and deeper than civil twilight all day.
        {"Longyearbyen, December", 78.2232, 15.6267, 2024, 12, 21, sun::kCivilTwilight, false},
        {"South Pole, December", -90.0, 0.0, 2024, 12, 21, sun::kCivilTwilight, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.place);
        const std::int64_t day = utcMs(c.year, c.month, c.day) / 86'400'000;
        EXPECT_TRUE(sun::crossings(c.lat, c.lon, day, c.altitude).empty());
        for (int hour = 0; hour < 24; hour += 3) {
            const double alt =
                sun::altitude(c.lat, c.lon, utcMs(c.year, c.month, c.day, hour) / 1000);
            EXPECT_EQ(alt > c.altitude, c.above) << "at " << hour << ":00 UTC, " << alt;
        }
    }
}

TEST(SunTimes, TheDateLineSplitsNothing) {
    // The same place written with either sign of the 180th meridian: the same sun, but the west
    // side's calendar is a day behind.
    const std::int64_t day = utcMs(2024, 6, 21) / 86'400'000;
    const auto east = sun::crossings(-16.8, 180.0, day, sun::kCivilTwilight);
    const auto west = sun::crossings(-16.8, -180.0, day - 1, sun::kCivilTwilight);
    ASSERT_EQ(east.size(), 2u);
    ASSERT_EQ(west.size(), 2u);
    EXPECT_EQ(east[0].time, west[0].time);
    EXPECT_EQ(east[1].time, west[1].time);
}

}  // namespace
