#pragma once

#include <cstdint>

// The wall clock and the local time zone, as the schedule sees them. Times are milliseconds since
// 1970-01-01 UTC.
class Clock {
  public:
    virtual ~Clock() = default;
    virtual std::int64_t now() = 0;
    // Seconds east of UTC that local time is at instant `utcMs` (daylight-saving time included).
    virtual int utcOffset(std::int64_t utcMs) = 0;
};
