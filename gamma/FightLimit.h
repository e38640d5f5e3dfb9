#pragma once

#include <cstdint>
#include <deque>

// Counts another program's changes to one output's ramp. The tool puts its ramp back after such a
// change, but two programs that each put their own back would fight at screen-refresh rate: the
// third change within ten seconds ends it, and the output is left to the other program.
class FightLimit {
  public:
    static constexpr std::size_t kChanges = 3;
    static constexpr std::int64_t kWithinMs = 10'000;

    // Records a change seen at `nowMs` (milliseconds on any clock that does not run backwards
    // much); true when it is the third within ten seconds.
    bool fighting(std::int64_t nowMs);
    // Forgets every change (a new mode or colour starts afresh).
    void reset() { seen_.clear(); }

  private:
    std::deque<std::int64_t> seen_;
};
