#pragma once

#include <cstdint>
#include <functional>

// One alarm at a wall-clock instant, and word of the wall clock jumping. Callbacks come on the UI
// thread, from the event loop.
class Alarm {
  public:
    virtual ~Alarm() = default;
    // Calls onAlarm once when the wall clock reaches `atMs` (ms since the epoch, UTC); at once when
    // that has passed. Replaces the alarm armed before.
    virtual void arm(std::int64_t atMs) = 0;
    virtual void disarm() = 0;

    std::function<void()> onAlarm;
    // The clock was set, the time zone or daylight-saving time changed, or the machine woke up:
    // whatever was worked out from the old time is stale.
    std::function<void()> onClockChanged;
};
