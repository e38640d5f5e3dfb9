#pragma once

#include <cstdint>
#include <optional>

#include "schedule/Schedule.h"

class Alarm;
class Clock;
class ScheduleTarget;

// Switches night mode when the schedule says, fading over a set time. The hand switch stays the
// master: after one the schedule waits for its next change. Exactly one alarm is armed, for the
// next change or the next step of a fade, and none while the schedule is off.
class Scheduler {
  public:
    static constexpr int kDefaultFadeSeconds = 60;
    static constexpr int kMaxFadeSeconds = 3600;
    // 20 ramps a second at most.
    static constexpr std::int64_t kStepMs = 50;

    Scheduler(ScheduleTarget& target, Clock& clock, Alarm& alarm);
    ~Scheduler();
    Scheduler(const Scheduler&) = delete;
    Scheduler& operator=(const Scheduler&) = delete;

    // Settings. Before start() they are only kept; afterwards a change of schedule, or turning it
    // on, takes the mode the schedule wants now at once.
    void setSchedule(const Schedule& schedule);
    void setFadeSeconds(int seconds);  // clamped to 0..kMaxFadeSeconds; 0: changes are instant
    void setAutomatic(bool on);

    // Once the load sequence has run: takes the mode the schedule wants now, without a fade.
    void start();
    // The user switched (window, tray, command line, bus): any fade stops where the switch left
    // the screen, and the mode stays until the schedule's next change.
    void handSwitched();
    // Resume, clock set, time zone or daylight-saving change: the wanted mode is taken at once
    // (unless a hand switch still holds) and the alarm armed afresh.
    void clockChanged();

    const Schedule& schedule() const { return schedule_; }
    int fadeSeconds() const { return fadeSeconds_; }
    bool automatic() const { return automatic_; }
    // Both a schedule and Automatic on.
    bool active() const { return automatic_ && schedule_.isSet(); }
    bool fading() const { return fade_.has_value(); }
    std::optional<std::int64_t> nextChange() const { return next_; }

  private:
    struct Fade {
        bool toNight;
        std::int64_t start;
        std::int64_t duration;
    };
    struct Hold {
        std::int64_t from;
        std::int64_t until;
    };

    void alarmFired();
    void takeWanted();
    void step(std::int64_t now);
    void switchTo(bool night);
    void arm(std::int64_t now);

    ScheduleTarget& target_;
    Clock& clock_;
    Alarm& alarm_;
    Schedule schedule_;
    int fadeSeconds_ = kDefaultFadeSeconds;
    bool automatic_ = false;
    bool started_ = false;
    bool switching_ = false;  // inside the target's own switch: not a hand switch
    std::optional<std::int64_t> next_;
    std::optional<Fade> fade_;
    std::optional<Hold> hold_;
};
