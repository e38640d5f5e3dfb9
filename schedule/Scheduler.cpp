#include "schedule/Scheduler.h"

#include <algorithm>
#include <limits>

#include "schedule/Alarm.h"
#include "schedule/Clock.h"
#include "schedule/Decision.h"
#include "schedule/ScheduleTarget.h"

Scheduler::Scheduler(ScheduleTarget& target, Clock& clock, Alarm& alarm)
    : target_(target), clock_(clock), alarm_(alarm) {
    alarm_.onAlarm = [this] { alarmFired(); };
    alarm_.onClockChanged = [this] { clockChanged(); };
}

Scheduler::~Scheduler() {
    alarm_.disarm();
    alarm_.onAlarm = nullptr;
    alarm_.onClockChanged = nullptr;
}

void Scheduler::setSchedule(const Schedule& schedule) {
    if (schedule == schedule_) {
        return;
    }
    schedule_ = schedule;
    hold_.reset();
    takeWanted();
}

void Scheduler::setFadeSeconds(int seconds) {
    fadeSeconds_ = std::clamp(seconds, 0, kMaxFadeSeconds);
}

void Scheduler::setAutomatic(bool on) {
    if (on == automatic_) {
        return;
    }
    automatic_ = on;
    hold_.reset();
    takeWanted();
}

void Scheduler::start() {
    started_ = true;
    takeWanted();
}

void Scheduler::handSwitched() {
    if (switching_ || !started_ || !active()) {
        return;
    }
    // The hand switch has written its own ramp over the fade's.
    fade_.reset();
    const std::int64_t now = clock_.now();
    hold_ = Hold{now, next_.value_or(std::numeric_limits<std::int64_t>::max())};
    arm(now);
}

void Scheduler::clockChanged() {
    takeWanted();
}

void Scheduler::takeWanted() {
    if (!started_) {
        return;
    }
    const std::int64_t now = clock_.now();
    if (!active()) {
        // A fade cut short ends on its target, never on a ramp between the two.
        if (fade_) {
            const bool night = fade_->toNight;
            fade_.reset();
            switchTo(night);
        }
        next_.reset();
        alarm_.disarm();
        return;
    }
    const schedule::Decision d = schedule::decide(schedule_, now, clock_);
    next_ = d.nextChange;
    // A hand switch holds while the clock stays between it and the change it was waiting for; a
    // clock set back before it, or moved past that change, ends the hold.
    if (hold_ && (now < hold_->from || now >= hold_->until)) {
        hold_.reset();
    }
    if (!hold_ && (fade_ || d.night != target_.nightOn())) {
        fade_.reset();
        switchTo(d.night);
    }
    arm(now);
}

void Scheduler::alarmFired() {
    if (!started_ || !active()) {
        return;
    }
    const std::int64_t now = clock_.now();
    if (next_ && now >= *next_) {
        const schedule::Decision d = schedule::decide(schedule_, now, clock_);
        next_ = d.nextChange;
        hold_.reset();
        const bool wasFading = fade_.has_value();
        fade_.reset();
        if (wasFading || d.night != target_.nightOn()) {
            if (fadeSeconds_ > 0) {
                // The first ramp of the fade is one step in; the screen already shows step zero.
                fade_ = Fade{d.night, now, fadeSeconds_ * 1000LL};
            } else {
                switchTo(d.night);
            }
        }
    } else if (fade_) {
        step(now);
    }
    arm(now);
}

void Scheduler::step(std::int64_t now) {
    const double progress = static_cast<double>(now - fade_->start) / fade_->duration;
    if (progress >= 1.0) {
        const bool night = fade_->toNight;
        fade_.reset();
        // The last write is the switch's own, so the end is the instant switch's ramp exactly.
        switchTo(night);
        return;
    }
    target_.writeBlend(fade_->toNight, std::max(progress, 0.0));
}

void Scheduler::switchTo(bool night) {
    switching_ = true;
    if (night) {
        target_.switchToNight();
    } else {
        target_.switchToNormal();
    }
    switching_ = false;
}

void Scheduler::arm(std::int64_t now) {
    std::optional<std::int64_t> at = next_;
    if (fade_) {
        // Steps on a fixed grid from the start: a late wake-up skips steps rather than bunching.
        const std::int64_t end = fade_->start + fade_->duration;
        const std::int64_t done = std::max<std::int64_t>(0, now - fade_->start) / kStepMs;
        const std::int64_t nextStep = std::min(end, fade_->start + (done + 1) * kStepMs);
        at = at ? std::min(*at, nextStep) : nextStep;
    }
    if (at) {
        alarm_.arm(*at);
    } else {
        alarm_.disarm();
    }
}
