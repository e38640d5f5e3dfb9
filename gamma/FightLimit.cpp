#include "gamma/FightLimit.h"

bool FightLimit::fighting(std::int64_t nowMs) {
    // Changes stamped after `nowMs` (the clock was set back) are forgotten with the old ones.
    while (!seen_.empty() && (nowMs - seen_.front() >= kWithinMs || seen_.front() > nowMs)) {
        seen_.pop_front();
    }
    seen_.push_back(nowMs);
    return seen_.size() >= kChanges;
}
