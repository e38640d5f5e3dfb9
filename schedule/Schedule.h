#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// When night mode is wanted: never (off), between two wall-clock times, or from the end of civil
// dusk to the start of civil dawn at a place the user typed in.
struct Schedule {
    enum class Kind { Off, Clock, Sun };

    Kind kind = Kind::Off;
    int startMinute = 0;   // Clock: minutes after local midnight, 0..1439
    int endMinute = 0;     // Clock: may be earlier than startMinute (the night spans midnight)
    double latitude = 0;   // Sun: -90..90, north positive
    double longitude = 0;  // Sun: -180..180, east positive

    bool isSet() const { return kind != Kind::Off; }
    friend bool operator==(const Schedule&, const Schedule&) = default;
};

namespace schedule {

struct Parsed {
    std::optional<Schedule> schedule;  // empty when the text is no schedule
    std::string error;                 // then: what is wrong, one English sentence for the user
};

// The text the settings file, the command line and the bus all use: "HH:MM-HH:MM",
// "sun:LAT,LON" or "off". Blanks around the whole and around the numbers are allowed; "off" and
// "sun" in any case.
Parsed parse(std::string_view text);

// The same form back: "22:00-07:00", "sun:52.52,13.405", "off". Parsing it gives the schedule
// again (coordinates kept to 4 decimals, about 10 m).
std::string format(const Schedule& s);

}  // namespace schedule
