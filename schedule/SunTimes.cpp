#include "schedule/SunTimes.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace sun {

namespace {

constexpr double kDeg = std::numbers::pi / 180.0;

struct Position {
    double declination;     // radians
    double equationOfTime;  // minutes: apparent minus mean solar time
};

// The sun's declination and the equation of time at `t`, after the formulas of Meeus'
// "Astronomical Algorithms" (chapters 25 and 28) in their low-precision form.
Position position(double t) {
    const double jd = t / 86400.0 + 2440587.5;
    const double c = (jd - 2451545.0) / 36525.0;  // Julian centuries since J2000.0
    const double l0 = std::fmod(280.46646 + c * (36000.76983 + c * 0.0003032), 360.0) * kDeg;
    const double m = (357.52911 + c * (35999.05029 - 0.0001537 * c)) * kDeg;
    const double e = 0.016708634 - c * (0.000042037 + 0.0000001267 * c);
    const double centre = std::sin(m) * (1.914602 - c * (0.004817 + 0.000014 * c)) +
                          std::sin(2 * m) * (0.019993 - 0.000101 * c) + std::sin(3 * m) * 0.000289;
    const double omega = (125.04 - 1934.136 * c) * kDeg;
    const double lambda = l0 / kDeg + centre - 0.00569 - 0.00478 * std::sin(omega);
    const double eps0 =
        23.0 + (26.0 + (21.448 - c * (46.815 + c * (0.00059 - c * 0.001813))) / 60.0) / 60.0;
    const double eps = (eps0 + 0.00256 * std::cos(omega)) * kDeg;
    const double decl = std::asin(std::sin(eps) * std::sin(lambda * kDeg));
    const double y = std::tan(eps / 2) * std::tan(eps / 2);
    const double eot = y * std::sin(2 * l0) - 2 * e * std::sin(m) +
                       4 * e * y * std::sin(m) * std::cos(2 * l0) - 0.5 * y * y * std::sin(4 * l0) -
                       1.25 * e * e * std::sin(2 * m);
    return {decl, 4.0 * eot / kDeg};
}

// Hour angle (degrees) at which the sun stands at `degrees`, or NaN-free sentinels: +1 when it
// never gets down there that day, -1 when it never gets up there.
struct HourAngle {
    int never = 0;  // +1 always above, -1 always below
    double degrees = 0;
};

HourAngle hourAngle(double lat, double decl, double degrees) {
    const double phi = lat * kDeg;
    const double cosH = (std::sin(degrees * kDeg) - std::sin(phi) * std::sin(decl)) /
                        (std::cos(phi) * std::cos(decl));
    if (cosH < -1.0) {
        return {+1, 0};
    }
    if (cosH > 1.0) {
        return {-1, 0};
    }
    return {0, std::acos(cosH) / kDeg};
}

}  // namespace

double altitude(double lat, double lon, std::int64_t t) {
    const Position p = position(static_cast<double>(t));
    const double minutes = std::fmod(static_cast<double>(t), 86400.0) / 60.0;
    // True solar time, then the hour angle: 0 at local noon, 15 degrees an hour.
    const double solar = minutes + p.equationOfTime + 4.0 * lon;
    const double h = (solar / 4.0 - 180.0) * kDeg;
    const double phi = lat * kDeg;
    const double sinAlt = std::sin(phi) * std::sin(p.declination) +
                          std::cos(phi) * std::cos(p.declination) * std::cos(h);
    return std::asin(std::clamp(sinAlt, -1.0, 1.0)) / kDeg;
}

std::vector<Crossing> crossings(double lat, double lon, std::int64_t day, double degrees) {
    // Near the poles cos(latitude) vanishes; a hair short of the pole gives the same answer.
    lat = std::clamp(lat, -89.9999, 89.9999);
    const double meanNoon = static_cast<double>(day) * 86400.0 + 43200.0 - lon * 240.0;
    std::vector<Crossing> out;
    for (int side : {-1, +1}) {
        // Each crossing is found by taking the sun's position at the time last found, which
        // settles to well under a second in a few rounds.
        double t = meanNoon;
        bool found = true;
        for (int round = 0; round < 4; ++round) {
            const Position p = position(t);
            const HourAngle h = hourAngle(lat, p.declination, degrees);
            if (h.never != 0) {
                found = false;
                break;
            }
            const double noon = meanNoon - p.equationOfTime * 60.0;
            t = noon + side * h.degrees * 240.0;
        }
        if (found) {
            out.push_back({static_cast<std::int64_t>(std::llround(t)), side < 0});
        }
    }
    return out;
}

}  // namespace sun
