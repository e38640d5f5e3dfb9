// The schedule inside the main form: its settings, the Automatic menu item, the hand switch as
// master, scheduled fades and the resume.
#include <string>

#include "MainFormFixture.h"
#include "schedule/Scheduler.h"

namespace {

constexpr std::int64_t kMinute = 60'000;
// The in-memory clock's zone is UTC; every time below is on 2026-12-07.
constexpr std::int64_t at(int hour, int minute = 0) {
    return utcMs(2026, 12, 7, hour, minute);
}

}  // namespace

class ScheduleFormTest : public MainFormTest {
  protected:
    void store(const std::string& schedule, const std::string& fade = "60",
               const std::string& automatic = "1") {
        mp.profile.values[key("schedule")] = schedule;
        mp.profile.values[key("fade")] = fade;
        mp.profile.values[key("automatic")] = automatic;
    }
    MemoryProfileFile::Key key(const std::string& name) const {
        return {settings::settingsFilePath(mp.settingsDir.dir), "Schedule", name};
    }
    std::string stored(const std::string& name) const {
        const auto it = mp.profile.values.find(key(name));
        return it == mp.profile.values.end() ? "(none)" : it->second;
    }
    // Loads at `now` (the stored colour keeps the window in the tray, as a second run's would).
    void loadAt(std::int64_t now) {
        mp.clock.nowMs = now;
        storeColor("4210943");  // 0x4040FF: a visible tint
        ASSERT_TRUE(form->Form_Load());
    }
    void runUntil(std::int64_t t) { mp.alarm.runUntil(mp.clock, t); }
    // The ramp the instant night switch writes, taken from the form itself and undone.
    GammaRamp instantNightRamp() {
        const bool wasOn = form->modeOn();
        form->mnuNight_Click();
        const GammaRamp r = mp.display.current();
        wasOn ? form->mnuNight_Click() : form->mnuNormal_Click();
        return r;
    }
};

TEST_F(ScheduleFormTest, LoadTakesTheScheduledModeAtOnceAndShowsAutomatic) {
    store("22:00-07:00");
    loadAt(at(12));
    EXPECT_FALSE(form->modeOn());
    EXPECT_FALSE(view.switchOn);
    EXPECT_EQ(mp.display.current(), startRamp);  // no fade at start
    EXPECT_TRUE(view.automaticChecked);
    EXPECT_TRUE(view.automaticEnabled);
    EXPECT_EQ(mp.alarm.armedAt, at(22));
}

TEST_F(ScheduleFormTest, ScheduledChangeFadesAtMostTwentyRampsASecondAndEndsOnTheSwitchRamp) {
    store("22:00-07:00", "60");
    loadAt(at(21, 59));
    const GammaRamp night = instantNightRamp();
    const std::size_t before = mp.display.applied.size();

    runUntil(at(22) + 30'000);
    EXPECT_FALSE(form->modeOn()) << "the mode changes when the fade ends";
    const GammaRamp halfway = mp.display.current();
    EXPECT_NE(halfway, startRamp);
    EXPECT_NE(halfway, night);

    runUntil(at(22, 2));
    EXPECT_TRUE(form->modeOn());
    EXPECT_TRUE(view.switchOn);
    EXPECT_TRUE(view.nightChecked);
    EXPECT_EQ(mp.display.current(), night);
    const std::size_t written = mp.display.applied.size() - before;
    EXPECT_GT(written, 100u);
    EXPECT_LE(written, 60u * 20u + 1u);
    EXPECT_EQ(mp.alarm.armedAt, utcMs(2026, 12, 8, 7));
}

// Every way the user switches by hand holds until the schedule's next change.
struct HandPath {
    const char* name;
    void (*run)(frmMain&, RecordingMainView&);
};
class HandSwitchTest : public ScheduleFormTest, public ::testing::WithParamInterface<HandPath> {};

TEST_P(HandSwitchTest, WinsUntilTheNextChange) {
    store("22:00-07:00");
    loadAt(at(12));
    ASSERT_FALSE(form->modeOn());

    GetParam().run(*form, view);
    ASSERT_TRUE(form->modeOn());
    const std::size_t before = mp.display.applied.size();
    runUntil(at(21, 59));
    EXPECT_TRUE(form->modeOn());
    EXPECT_EQ(mp.display.applied.size(), before) << "nothing written while the hand holds";
    EXPECT_TRUE(view.automaticChecked) << "the schedule stays on";

    // 22:00 wants night, which is on already; 07:00 takes the day back with a fade.
    runUntil(utcMs(2026, 12, 8, 7, 2));
    EXPECT_FALSE(form->modeOn());
    EXPECT_EQ(mp.display.current(), startRamp);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, HandSwitchTest,
    ::testing::Values(
        HandPath{"SwitchLabel", [](frmMain& f, RecordingMainView&) { f.lbSwitch_Click(); }},
        HandPath{"SwitchKnob", [](frmMain& f, RecordingMainView&) { f.picSwitch_Click(); }},
        HandPath{"MenuNight", [](frmMain& f, RecordingMainView&) { f.mnuNight_Click(); }},
        HandPath{"PickerConfirm",
                 [](frmMain& f, RecordingMainView& v) {
                     v.drivePicker = [](frmColor& p, RecordingColorView&) { p.picCls_Click(); };
                     f.picColor_Click();
                 }}),
    [](const ::testing::TestParamInfo<HandPath>& info) { return std::string(info.param.name); });

TEST_F(ScheduleFormTest, HandSwitchInAFadeStopsItOnTheSwitchRamp) {
    store("22:00-07:00", "60");
    loadAt(at(21, 59));
    runUntil(at(22) + 20'000);
    ASSERT_NE(mp.display.current(), startRamp);

    mp.tray.fire(NotifyIcon::Click::RightPress);
    form->mnuNormal_Click();
    EXPECT_FALSE(form->modeOn());
    EXPECT_EQ(mp.display.current(), startRamp);
    const std::size_t before = mp.display.applied.size();
    runUntil(at(23));
    EXPECT_EQ(mp.display.applied.size(), before) << "the fade went on after the hand switch";
    EXPECT_EQ(mp.alarm.armedAt, utcMs(2026, 12, 8, 7));
}

TEST_F(ScheduleFormTest, AutomaticItemIsGreyedWithoutAScheduleAndWritesNothing) {
    loadAt(at(12));
    EXPECT_FALSE(view.automaticEnabled);
    EXPECT_FALSE(view.automaticChecked);
    const int writes = mp.profile.writes;
    form->mnuAuto_Click();
    EXPECT_FALSE(view.automaticChecked);
    EXPECT_EQ(mp.profile.writes, writes);
    EXPECT_TRUE(form->modeOn()) << "without a schedule the load's night mode stays";
    EXPECT_FALSE(mp.alarm.armedAt.has_value());
}

TEST_F(ScheduleFormTest, AutomaticItemTurnsTheScheduleOffAndOnAndIsKept) {
    store("22:00-07:00");
    loadAt(at(12));
    form->mnuNight_Click();  // by hand, against the schedule

    form->mnuAuto_Click();
    EXPECT_FALSE(view.automaticChecked);
    EXPECT_TRUE(view.automaticEnabled);
    EXPECT_EQ(stored("automatic"), "0");
    EXPECT_EQ(stored("schedule"), "22:00-07:00");
    EXPECT_FALSE(mp.alarm.armedAt.has_value());
    EXPECT_TRUE(form->modeOn()) << "turning the schedule off changes no mode";

    form->mnuAuto_Click();
    EXPECT_TRUE(view.automaticChecked);
    EXPECT_EQ(stored("automatic"), "1");
    EXPECT_FALSE(form->modeOn()) << "turned on, the schedule takes its mode at once";
}

TEST_F(ScheduleFormTest, ScheduleAndFadeSetByTheUserAreTakenAndKept) {
    loadAt(at(23));
    ASSERT_TRUE(form->modeOn());
    store("off", "60", "0");

    form->services().setSchedule(*schedule::parse("08:00-20:00").schedule);
    EXPECT_FALSE(form->modeOn());
    EXPECT_TRUE(view.automaticChecked) << "a new schedule turns Automatic on";
    EXPECT_TRUE(view.automaticEnabled);
    EXPECT_EQ(stored("schedule"), "08:00-20:00");
    EXPECT_EQ(stored("automatic"), "1");

    form->services().setFadeSeconds(5000);
    EXPECT_EQ(stored("fade"), std::to_string(Scheduler::kMaxFadeSeconds));

    form->services().setSchedule(Schedule{});
    EXPECT_FALSE(view.automaticEnabled);
    EXPECT_FALSE(view.automaticChecked);
    EXPECT_EQ(stored("schedule"), "off");
    EXPECT_FALSE(mp.alarm.armedAt.has_value());
}

TEST_F(ScheduleFormTest, ResumeAfterALongSuspendTakesTheWantedModeAtOnce) {
    store("22:00-07:00", "60");
    loadAt(at(12));
    mp.clock.nowMs = at(23);  // slept through 22:00: the alarm never ran
    form->resumed();
    EXPECT_TRUE(form->modeOn());
    EXPECT_FALSE(form->services().scheduler()->fading());
    EXPECT_EQ(mp.alarm.armedAt, utcMs(2026, 12, 8, 7)) << "no fade step is armed";
    EXPECT_EQ(mp.display.current(), instantNightRamp());
}

TEST_F(ScheduleFormTest, UnloadInAFadeLeavesTheBaseRampAndNoAlarm) {
    store("22:00-07:00", "60");
    loadAt(at(21, 59));
    runUntil(at(22) + 20'000);
    ASSERT_NE(mp.display.current(), startRamp);
    form->Unload();
    EXPECT_EQ(mp.display.current(), startRamp);
    EXPECT_FALSE(mp.alarm.armedAt.has_value());
    const std::size_t before = mp.display.applied.size();
    runUntil(at(23));
    EXPECT_EQ(mp.display.applied.size(), before);
}
