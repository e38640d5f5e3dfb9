#pragma once

#include "schedule/Clock.h"

// The system's wall clock and local time zone (TZ, else /etc/localtime).
class SystemClock : public Clock {
  public:
    std::int64_t now() override;
    int utcOffset(std::int64_t utcMs) override;

    // Reads the local zone afresh after /etc/localtime changed; the C library keeps the zone it
    // read first for as long as TZ names the same file.
    static void reloadZone();
};
