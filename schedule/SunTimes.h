#pragma once

#include <cstdint>
#include <vector>

// Where the sun stands, and when it crosses a given altitude, from the usual low-precision solar
// formulas (good to well under a minute for the years a desktop sees). Times are seconds since
// 1970-01-01 UTC; latitudes run -90..90 (north positive), longitudes -180..180 (east positive).
namespace sun {

// The sun's centre 6 degrees below the horizon: the end of civil dusk, the start of civil dawn.
constexpr double kCivilTwilight = -6.0;
// Sunrise and sunset as almanacs give them: upper limb on the horizon, with refraction.
constexpr double kSunriseSunset = -0.833;

// The sun's altitude in degrees at `t` seen from (lat, lon), refraction left out.
double altitude(double lat, double lon, std::int64_t t);

struct Crossing {
    std::int64_t time = 0;  // seconds since the epoch, UTC
    bool rising = false;    // true: the sun climbs through the altitude (dawn, sunrise)
};

// The crossings of `degrees` on the local calendar date `day` (days since 1970-01-01) at longitude
// `lon`, taken as the solar day around that date's local mean noon, 12:00 UTC - lon x 4 min: the
// morning one then the evening one, or none when the sun stays above (midnight sun, white nights)
// or below (polar night) that altitude all day.
std::vector<Crossing> crossings(double lat, double lon, std::int64_t day, double degrees);

}  // namespace sun
