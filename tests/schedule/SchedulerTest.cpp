#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "schedule/ScheduleTarget.h"
#include "schedule/Scheduler.h"
#include "support/MemoryClock.h"

namespace {

constexpr std::int64_t kMinute = 60'000;

// Stands for the main window: the two switches flip the mode, blends are recorded with the time.
class RecordingTarget : public ScheduleTarget {
  public:
    explicit RecordingTarget(MemoryClock& clock) : clock_(clock) {}
    struct Blend {
        std::int64_t at;
        bool toNight;
        double progress;
    };
    bool night = true;  // the tool starts in night mode
    std::vector<std::string> switches;
    std::vector<Blend> blends;
    Scheduler* scheduler = nullptr;  // told of each switch, as the window's handlers will

    bool nightOn() const override { return night; }
    void switchToNight() override { flip(true); }
    void switchToNormal() override { flip(false); }
    void writeBlend(bool toNight, double progress) override {
        blends.push_back({clock_.nowMs, toNight, progress});
    }
    // A click on the switch, the tray or a command.
    void byHand(bool toNight) {
        flip(toNight);
        scheduler->handSwitched();
    }

  private:
    void flip(bool toNight) {
        night = toNight;
        switches.push_back(toNight ? "night" : "normal");
        if (scheduler != nullptr) {
            scheduler->handSwitched();  // ignored while the scheduler itself switches
        }
    }
    MemoryClock& clock_;
};

class SchedulerTest : public ::testing::Test {
  protected:
    // Berlin in January: local = UTC + 1 h.
    static std::int64_t local(int day, int hour, int minute = 0) {
        return utcMs(2026, 1, day, hour, minute) - 60 * kMinute;
    }
    void startAt(std::int64_t now, const char* text, int fade = 60) {
        clock.nowMs = now;
        scheduler.setSchedule(*schedule::parse(text).schedule);
        scheduler.setFadeSeconds(fade);
        scheduler.setAutomatic(true);
        scheduler.start();
    }

    MemoryClock clock = berlinClock();
    MemoryAlarm alarm;
    RecordingTarget target{clock};
    Scheduler scheduler{target, clock, alarm};

    void SetUp() override { target.scheduler = &scheduler; }
};

TEST_F(SchedulerTest, StartTakesTheWantedModeAtOnceAndArmsForTheNextChange) {
    startAt(local(10, 12), "22:00-07:00");
    EXPECT_EQ(target.switches, std::vector<std::string>{"normal"});
    EXPECT_TRUE(target.blends.empty());
    EXPECT_EQ(alarm.armedAt, local(10, 22));
    // Already in the wanted mode: nothing is written.
    target.switches.clear();
    scheduler.clockChanged();
    EXPECT_TRUE(target.switches.empty());
}

TEST_F(SchedulerTest, AChangeFadesAtTwentyRampsASecondAndEndsWithTheSwitch) {
    startAt(local(10, 12), "22:00-07:00");
    target.switches.clear();
    alarm.runUntil(clock, local(10, 22, 5));
    ASSERT_EQ(target.switches, std::vector<std::string>{"night"});
    // 60 s at 50 ms a step: 1199 blends between the old ramp and the switch's.
    ASSERT_EQ(target.blends.size(), 1199u);
    for (std::size_t i = 0; i < target.blends.size(); ++i) {
        EXPECT_TRUE(target.blends[i].toNight);
        EXPECT_EQ(target.blends[i].at, local(10, 22) + static_cast<std::int64_t>(i + 1) * 50);
        EXPECT_DOUBLE_EQ(target.blends[i].progress, (i + 1) / 1200.0);
    }
    EXPECT_FALSE(scheduler.fading());
    // The one alarm now waits for the morning.
    EXPECT_EQ(alarm.armedAt, local(11, 7));
    EXPECT_EQ(scheduler.nextChange(), local(11, 7));
}

TEST_F(SchedulerTest, ALateWakeUpSkipsStepsRatherThanBunchingThem) {
    startAt(local(10, 12), "22:00-07:00", 2);
    alarm.runUntil(clock, local(10, 22));
    // The event loop was busy for 620 ms: one step at once, then the grid's next, not a backlog.
    clock.nowMs += 620;
    EXPECT_EQ(alarm.runUntil(clock, clock.nowMs), 1);
    EXPECT_EQ(alarm.armedAt, local(10, 22) + 650);
    EXPECT_NEAR(target.blends.back().progress, 0.31, 1e-9);
}

TEST_F(SchedulerTest, NoFadeMeansAnInstantSwitch) {
    startAt(local(10, 12), "22:00-07:00", 0);
    target.switches.clear();
    EXPECT_EQ(alarm.runUntil(clock, local(11, 8)), 2);
    EXPECT_EQ(target.switches, (std::vector<std::string>{"night", "normal"}));
    EXPECT_TRUE(target.blends.empty());
}

TEST_F(SchedulerTest, AHandSwitchWinsUntilTheNextChange) {
    startAt(local(10, 21), "22:00-07:00", 0);
    alarm.runUntil(clock, local(10, 23));
    target.byHand(false);
    // A resume in the same night leaves the hand's choice alone.
    alarm.jump(clock, local(11, 2));
    EXPECT_FALSE(target.night);
    EXPECT_EQ(alarm.armedAt, local(11, 7));
    // Morning: the schedule wants what the hand chose; evening: the schedule is back.
    target.switches.clear();
    alarm.runUntil(clock, local(11, 22, 1));
    EXPECT_EQ(target.switches, std::vector<std::string>{"night"});
}

TEST_F(SchedulerTest, AHandSwitchStopsAFade) {
    startAt(local(10, 12), "22:00-07:00");
    alarm.runUntil(clock, local(10, 22) + 10'000);
    const std::size_t blends = target.blends.size();
    target.byHand(false);
    EXPECT_FALSE(scheduler.fading());
    alarm.runUntil(clock, local(10, 23));
    EXPECT_EQ(target.blends.size(), blends);
    EXPECT_FALSE(target.night);
    EXPECT_EQ(alarm.armedAt, local(11, 7));
}

TEST_F(SchedulerTest, ClockJumpsTakeTheWantedModeAtOnce) {
    struct Jump {
        const char* what;
        std::int64_t to;
        bool night;
        std::int64_t armed;
    };
    // From 21:00 (normal, alarm for 22:00) the clock goes to...
    const Jump jumps[] = {
        {"a resume two days later at 03:00", local(12, 3), true, local(12, 7)},
        {"a resume a week later at noon", local(17, 12), false, local(17, 22)},
        {"a clock set back to the morning", local(10, 6), true, local(10, 7)},
        {"summer time: 23:00 CEST", utcMs(2026, 6, 1, 21), true, utcMs(2026, 6, 2, 5)},
    };
    for (const Jump& j : jumps) {
        SCOPED_TRACE(j.what);
        MemoryClock c = berlinClock();
        MemoryAlarm a;
        RecordingTarget t{c};
        Scheduler s{t, c, a};
        t.scheduler = &s;
        c.nowMs = local(10, 21);
        s.setSchedule(*schedule::parse("22:00-07:00").schedule);
        s.setAutomatic(true);
        s.start();
        t.switches.clear();
        a.jump(c, j.to);
        EXPECT_EQ(t.night, j.night);
        EXPECT_TRUE(t.blends.empty());
        EXPECT_EQ(a.armedAt, j.armed);
    }
}

TEST_F(SchedulerTest, AClockSetBackBeforeAHandSwitchEndsItsHold) {
    startAt(local(10, 23), "22:00-07:00");
    target.byHand(false);
    alarm.jump(clock, local(10, 22, 30));  // still night, but before the hand switch
    EXPECT_TRUE(target.night);
}

TEST_F(SchedulerTest, WithoutScheduleOrAutomaticNothingIsArmedOrWritten) {
    startAt(local(10, 12), "22:00-07:00");
    scheduler.setAutomatic(false);
    EXPECT_FALSE(alarm.armedAt);
    target.switches.clear();
    EXPECT_EQ(alarm.runUntil(clock, local(12, 12)), 0);
    scheduler.clockChanged();
    EXPECT_TRUE(target.switches.empty());

    scheduler.setAutomatic(true);  // at noon: normal, as it is
    EXPECT_EQ(alarm.armedAt, local(12, 22));
    scheduler.setSchedule(Schedule{});
    EXPECT_FALSE(alarm.armedAt);
    EXPECT_FALSE(scheduler.active());
}

TEST_F(SchedulerTest, TurningOffInAFadeEndsOnTheFadesTarget) {
    startAt(local(10, 12), "22:00-07:00");
    alarm.runUntil(clock, local(10, 22) + 5000);
    target.switches.clear();
    scheduler.setAutomatic(false);
    EXPECT_EQ(target.switches, std::vector<std::string>{"night"});
    EXPECT_FALSE(alarm.armedAt);
}

TEST_F(SchedulerTest, SettingsBeforeStartOnlyKeep) {
    scheduler.setSchedule(*schedule::parse("22:00-07:00").schedule);
    scheduler.setAutomatic(true);
    EXPECT_TRUE(target.switches.empty());
    EXPECT_EQ(alarm.arms, 0);
    scheduler.setFadeSeconds(99999);
    EXPECT_EQ(scheduler.fadeSeconds(), Scheduler::kMaxFadeSeconds);
}

}  // namespace
