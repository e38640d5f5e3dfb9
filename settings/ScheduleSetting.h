#pragma once

#include <string>

#include "schedule/Schedule.h"

class ProfileFile;

namespace settings {

// The schedule's own section of the settings file, beside [Setting]:
//   [Schedule]
//   schedule=22:00-07:00      (the schedule's text form: HH:MM-HH:MM, sun:LAT,LON or off)
//   fade=60                   (seconds, 0..3600; 0: changes are instant)
//   automatic=1               (1 on, 0 off)
// Each value that cannot be read falls back on its own default, quietly: a damaged section never
// stops the tool and never touches [Setting].
struct ScheduleSetting {
    Schedule schedule;
    int fadeSeconds = 60;
    bool automatic = true;  // a stored schedule runs unless it was turned off
    friend bool operator==(const ScheduleSetting&, const ScheduleSetting&) = default;
};

ScheduleSetting LoadScheduleSetting(ProfileFile& profile, const std::string& WinPath);
// True when all three values were kept.
bool SaveScheduleSetting(ProfileFile& profile, const std::string& WinPath,
                         const ScheduleSetting& setting);

}  // namespace settings
