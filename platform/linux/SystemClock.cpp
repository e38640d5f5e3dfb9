#include "platform/linux/SystemClock.h"

#include <cstdlib>
#include <ctime>
#include <string>

std::int64_t SystemClock::now() {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return static_cast<std::int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1'000'000;
}

int SystemClock::utcOffset(std::int64_t utcMs) {
    // Whole seconds, rounded down, so that an instant just before the epoch keeps its own second.
    const time_t t = static_cast<time_t>(utcMs >= 0 ? utcMs / 1000 : (utcMs - 999) / 1000);
    tm local{};
    if (localtime_r(&t, &local) == nullptr) {
        return 0;
    }
    return static_cast<int>(local.tm_gmtoff);
}

void SystemClock::reloadZone() {
    // glibc reads the zone file again only when TZ names another zone than last time: name
    // another one for a moment. Done on the UI thread, once per change of zone.
    const char* tz = std::getenv("TZ");
    const std::string kept = tz != nullptr ? tz : "";
    setenv("TZ", "UTC0", 1);
    tzset();
    if (tz != nullptr) {
        setenv("TZ", kept.c_str(), 1);
    } else {
        unsetenv("TZ");
    }
    tzset();
}
