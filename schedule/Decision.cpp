#include "schedule/Decision.h"

#include <algorithm>
#include <vector>

#include "schedule/Clock.h"
#include "schedule/SunTimes.h"

namespace schedule {

namespace {

constexpr std::int64_t kDayMs = 86'400'000;
// Polar day and polar night last half a year at most: a year ahead always finds the next change.
constexpr int kSunDaysAhead = 370;

struct Change {
    std::int64_t at;  // ms
    bool night;
};

std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0);
}

// The mode at `now` is what the last change at or before it made; the next is the first after.
Decision fromChanges(std::vector<Change>& changes, std::int64_t now, bool before) {
    std::sort(changes.begin(), changes.end(),
              [](const Change& a, const Change& b) { return a.at < b.at; });
    Decision d;
    d.night = before;
    for (const Change& c : changes) {
        if (c.at <= now) {
            d.night = c.night;
        } else {
            d.nextChange = c.at;
            break;
        }
    }
    return d;
}

Decision decideClock(const Schedule& s, std::int64_t now, Clock& zone) {
    const std::int64_t today = floorDiv(now + zone.utcOffset(now) * 1000LL, kDayMs);
    std::vector<Change> changes;
    for (std::int64_t day = today - 2; day <= today + 2; ++day) {
        changes.push_back({localToUtc(day, s.startMinute, zone), true});
        changes.push_back({localToUtc(day, s.endMinute, zone), false});
    }
    return fromChanges(changes, now, false);
}

// Next to a pole the sun's height hardly changes in a day, and the day's crossings are too brief
// for the formulas by day to find: the season's change is found from the height itself, hour by
// hour, then to the second. Half a year ahead at most, so it is always found.
std::optional<std::int64_t> polarChange(const Schedule& s, std::int64_t nowSec, bool night) {
    const auto isNight = [&](std::int64_t t) {
        return sun::altitude(s.latitude, s.longitude, t) < sun::kCivilTwilight;
    };
    std::int64_t lo = nowSec;
    for (std::int64_t hi = nowSec + 3600; hi <= nowSec + kSunDaysAhead * 86400LL; hi += 3600) {
        if (isNight(hi) != night) {
            while (hi - lo > 1) {
                const std::int64_t mid = lo + (hi - lo) / 2;
                (isNight(mid) == night ? lo : hi) = mid;
            }
            return hi * 1000;
        }
        lo = hi;
    }
    return std::nullopt;
}

Decision decideSun(const Schedule& s, std::int64_t now) {
    const std::int64_t nowSec = floorDiv(now, 1000);
    const std::int64_t today = floorDiv(nowSec, 86400);
    const auto add = [&](std::vector<Change>& changes, std::int64_t day) {
        for (const sun::Crossing& c :
             sun::crossings(s.latitude, s.longitude, day, sun::kCivilTwilight)) {
            // Rising through -6 degrees is dawn: night ends.
            changes.push_back({c.time * 1000, !c.rising});
        }
    };
    std::vector<Change> changes;
    for (std::int64_t day = today - 2; day <= today + 2; ++day) {
        add(changes, day);
    }
    // Midnight sun or polar night: look further out, a day at a time, until the sun crosses.
    const bool before = sun::altitude(s.latitude, s.longitude, nowSec) < sun::kCivilTwilight;
    for (int ahead = 3; ahead <= kSunDaysAhead; ++ahead) {
        if (std::any_of(changes.begin(), changes.end(),
                        [&](const Change& c) { return c.at > now; })) {
            break;
        }
        add(changes, today + ahead);
    }
    // Without a crossing in the last days (midnight sun, polar night) the altitude now says it.
    Decision d = fromChanges(changes, now, before);
    if (!d.nextChange) {
        d.nextChange = polarChange(s, nowSec, d.night);
    }
    return d;
}

}  // namespace

std::int64_t localToUtc(std::int64_t day, int minute, Clock& zone) {
    const std::int64_t wall = day * kDayMs + minute * 60'000LL;
    // Zones change their offset at most a few times a year, never twice in a day: the offsets a
    // day either side are the two that can apply.
    const int earlier = zone.utcOffset(wall - kDayMs);
    const int later = zone.utcOffset(wall + kDayMs);
    std::optional<std::int64_t> best;
    for (const int offset : {earlier, later}) {
        const std::int64_t t = wall - offset * 1000LL;
        if (zone.utcOffset(t) == offset && (!best || t < *best)) {
            best = t;
        }
    }
    // A time the clock skips: it comes as the clock leaves the gap, the old offset still counted.
    return best ? *best : wall - earlier * 1000LL;
}

Decision decide(const Schedule& schedule, std::int64_t nowMs, Clock& zone) {
    return schedule.kind == Schedule::Kind::Sun ? decideSun(schedule, nowMs)
                                                : decideClock(schedule, nowMs, zone);
}

}  // namespace schedule
