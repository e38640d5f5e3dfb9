#include "schedule/Schedule.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>

namespace schedule {

namespace {

std::string_view trim(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) {
        s.remove_prefix(1);
    }
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) {
        s.remove_suffix(1);
    }
    return s;
}

bool equalsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != b[i]) {
            return false;
        }
    }
    return true;
}

// "H:MM" or "HH:MM", 00:00..23:59.
std::optional<int> parseClock(std::string_view s) {
    s = trim(s);
    const std::size_t colon = s.find(':');
    if (colon == std::string_view::npos || colon == 0 || colon > 2 || s.size() != colon + 3) {
        return std::nullopt;
    }
    int hours = 0;
    int minutes = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (i != colon && !std::isdigit(static_cast<unsigned char>(s[i]))) {
            return std::nullopt;
        }
    }
    std::from_chars(s.data(), s.data() + colon, hours);
    std::from_chars(s.data() + colon + 1, s.data() + s.size(), minutes);
    if (hours > 23 || minutes > 59) {
        return std::nullopt;
    }
    return hours * 60 + minutes;
}

// A plain decimal number: optional sign, digits, optional fraction; no exponents, no "nan". Read
// by hand: the C library's conversions follow the user's locale, where "52.5" may not parse.
std::optional<double> parseDegrees(std::string_view s) {
    s = trim(s);
    bool negative = false;
    if (!s.empty() && (s[0] == '-' || s[0] == '+')) {
        negative = s[0] == '-';
        s.remove_prefix(1);
    }
    double value = 0;
    double scale = 0;  // 0 before the point, then 0.1, 0.01, ...
    bool digits = false;
    for (const char c : s) {
        if (std::isdigit(static_cast<unsigned char>(c))) {
            digits = true;
            if (scale == 0) {
                value = value * 10 + (c - '0');
            } else {
                value += (c - '0') * scale;
                scale /= 10;
            }
        } else if (c == '.' && scale == 0) {
            scale = 0.1;
        } else {
            return std::nullopt;
        }
    }
    if (!digits) {
        return std::nullopt;
    }
    return negative ? -value : value;
}

Parsed fail(std::string why) {
    return {std::nullopt, std::move(why)};
}

}  // namespace

Parsed parse(std::string_view text) {
    const std::string_view s = trim(text);
    if (equalsNoCase(s, "off")) {
        return {Schedule{}, {}};
    }
    if (s.size() >= 4 && equalsNoCase(s.substr(0, 4), "sun:")) {
        const std::string_view rest = s.substr(4);
        const std::size_t comma = rest.find(',');
        if (comma == std::string_view::npos) {
            return fail(
                "a sun schedule is sun:LATITUDE,LONGITUDE in degrees, such as "
                "sun:52.52,13.40");
        }
        const auto lat = parseDegrees(rest.substr(0, comma));
        const auto lon = parseDegrees(rest.substr(comma + 1));
        if (!lat || !lon) {
            return fail("latitude and longitude must be decimal degrees, such as sun:52.52,13.40");
        }
        if (*lat < -90.0 || *lat > 90.0) {
            return fail("latitude must lie between -90 and 90 degrees");
        }
        if (*lon < -180.0 || *lon > 180.0) {
            return fail("longitude must lie between -180 and 180 degrees");
        }
        Schedule sun;
        sun.kind = Schedule::Kind::Sun;
        // Kept as the text shows them, so that a schedule read back equals the one written.
        sun.latitude = std::round(*lat * 1e4) / 1e4;
        sun.longitude = std::round(*lon * 1e4) / 1e4;
        return {sun, {}};
    }
    const std::size_t dash = s.find('-');
    if (dash == std::string_view::npos) {
        return fail("a schedule is HH:MM-HH:MM, sun:LATITUDE,LONGITUDE or off");
    }
    const auto start = parseClock(s.substr(0, dash));
    const auto end = parseClock(s.substr(dash + 1));
    if (!start || !end) {
        return fail("times must be HH:MM between 00:00 and 23:59, such as 22:00-07:00");
    }
    if (*start == *end) {
        return fail("night must start and end at different times");
    }
    Schedule clock;
    clock.kind = Schedule::Kind::Clock;
    clock.startMinute = *start;
    clock.endMinute = *end;
    return {clock, {}};
}

namespace {

std::string degrees(double value) {
    // Ten-thousandths as an integer, printed by hand for the same reason as above.
    const long long units = std::llround(std::abs(value) * 1e4);
    std::string text = std::to_string(units / 10000);
    std::string fraction = std::to_string(10000 + units % 10000).substr(1);
    while (!fraction.empty() && fraction.back() == '0') {
        fraction.pop_back();
    }
    if (!fraction.empty()) {
        text += "." + fraction;
    }
    return (value < 0 && units != 0 ? "-" : "") + text;
}

std::string clockText(int minute) {
    minute = ((minute % 1440) + 1440) % 1440;
    const char text[] = {
        static_cast<char>('0' + minute / 600),     static_cast<char>('0' + minute / 60 % 10), ':',
        static_cast<char>('0' + minute % 60 / 10), static_cast<char>('0' + minute % 10),      '\0'};
    return text;
}

}  // namespace

std::string format(const Schedule& s) {
    switch (s.kind) {
        case Schedule::Kind::Clock:
            return clockText(s.startMinute) + "-" + clockText(s.endMinute);
        case Schedule::Kind::Sun:
            return "sun:" + degrees(s.latitude) + "," + degrees(s.longitude);
        case Schedule::Kind::Off:
            break;
    }
    return "off";
}

}  // namespace schedule
