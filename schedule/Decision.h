#pragma once

#include <cstdint>
#include <optional>

#include "schedule/Schedule.h"

class Clock;

namespace schedule {

// What a schedule wants at an instant: night or not, and when that next changes.
struct Decision {
    bool night = false;
    std::optional<std::int64_t> nextChange;  // ms since the epoch; empty: none within a year
};

// `schedule` must be set. Fixed times are local wall-clock times: on a day that skips one (a
// daylight-saving start) the change comes when the clock has jumped past it; on a day that has
// one twice, at the first.
Decision decide(const Schedule& schedule, std::int64_t nowMs, Clock& zone);

// The instant (ms) at which local wall-clock time reads `minute` on the local day `day` (days
// since 1970-01-01), with the rule above for skipped and doubled times.
std::int64_t localToUtc(std::int64_t day, int minute, Clock& zone);

}  // namespace schedule
