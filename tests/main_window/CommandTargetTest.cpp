// Commands from outside run the form's own handlers, and the form reports each completed change
// once, after the colour is kept.
#include <set>
#include <string>
#include <vector>

#include "MainFormFixture.h"
#include "control/CommandMessage.h"
#include "control/CommandTable.h"
#include "control/Controller.h"
#include "main_window/frmMainControlTarget.h"

namespace {

using control::Action;
using control::Command;

Command make(Action action, std::uint32_t color = 0, int brightness = 0, bool relative = false) {
    Command c;
    c.action = action;
    c.color = BgrColor(color);
    c.brightness = brightness;
    c.relative = relative;
    return c;
}

TEST_F(MainFormTest, EachCommandIsOneCompletedChangeReportedAfterTheColourIsKept) {
    storeColor("255");  // red
    frmMainControlTarget target(*form);
    control::Controller controller(target);
    std::vector<std::string> seen;  // the status line, then the colour stored when it was told
    controller.addListener([&](const control::State& s) {
        seen.push_back(control::statusLine(s) + " " + storedColor());
    });
    ASSERT_TRUE(form->Form_Load());
    EXPECT_TRUE(seen.empty()) << "the load is no change from outside";

    const struct {
        Command command;
        const char* line;  // after the command, with the colour then stored
    } cases[] = {
        {make(Action::Normal), "normal #FF0000 40 255"},
        {make(Action::Night), "night #FF0000 40 255"},
        {make(Action::Toggle), "normal #FF0000 40 255"},
        // As a swatch pick: the colour and its tint, the mode left as it is.
        {make(Action::Color, bgr(0x00, 0x80, 0xFF)), "normal #0080FF 40 16744448"},
        {make(Action::Brightness, 0, 20), "normal #808080 20 8421504"},
        {make(Action::Brightness, 0, -25, true), "normal #000000 0 0"},
    };
    for (const auto& c : cases) {
        const std::size_t before = seen.size();
        controller.apply(c.command);
        ASSERT_EQ(seen.size(), before + 1) << c.line;
        EXPECT_EQ(seen.back(), c.line);
    }
    // The window shows what the command did, as it would after a click.
    EXPECT_EQ(view.slider(Slider::HScroll1), 0);
    EXPECT_EQ(swatch(), 0u);
    EXPECT_TRUE(view.nightChecked);

    const std::size_t before = seen.size();
    form->Unload();
    controller.apply(make(Action::Toggle));
    EXPECT_EQ(seen.size(), before) << "nothing is reported once the form has unloaded";
}

// A burst held as one run: every command runs its handlers and reads back at once, but the
// display, the kept colour and the listeners take only where the run ends; an unload amid a run
// still gives the screen back.
TEST_F(MainFormTest, ARunOfCommandsReachesTheScreenAndTheFileOnceWhenReleased) {
    ASSERT_TRUE(form->Form_Load());
    frmMainControlTarget target(*form);
    control::Controller controller(target);
    std::vector<std::string> seen;
    controller.addListener([&](const control::State& s) {
        seen.push_back(control::statusLine(s) + " " + storedColor());
    });
    const std::size_t applied = mp.display.applied.size();
    const int writes = mp.profile.writes;

    controller.hold();
    controller.apply(make(Action::Brightness, 0, 20));
    controller.apply(make(Action::Brightness, 0, 5, true));  // a step from where the last left it
    EXPECT_EQ(controller.state().brightness, 25);
    controller.apply(make(Action::Color, bgr(0xFF, 0, 0)));
    controller.apply(make(Action::Normal));
    EXPECT_FALSE(view.switchOn) << "the window follows at once";
    controller.apply(make(Action::Night));
    controller.apply(make(Action::Brightness, 0, 10));
    Command fade = make(Action::Fade);
    for (const int seconds : {5, 7}) {
        fade.fade = seconds;
        controller.apply(fade);
    }
    EXPECT_EQ(view.slider(Slider::HScroll1), 10);
    EXPECT_EQ(mp.display.applied.size(), applied);
    EXPECT_EQ(mp.profile.writes, writes);
    EXPECT_TRUE(seen.empty());

    controller.release();
    EXPECT_EQ(appliedSince(applied), std::vector<GammaRamp>{tinted(startRamp, 10, 10, 10)});
    EXPECT_EQ(mp.profile.writes, writes + 2) << "the colour and the schedule, once each";
    const MemoryProfileFile::Key fadeKey{settings::settingsFilePath(mp.settingsDir.dir), "Schedule",
                                         "fade"};
    EXPECT_EQ(mp.profile.values[fadeKey], "7");
    EXPECT_EQ(seen, std::vector<std::string>{"night #404040 10 4210752"});

    controller.hold();
    controller.apply(make(Action::Brightness, 0, 30));
    form->Unload();
    EXPECT_EQ(mp.display.current(), startRamp);
    EXPECT_EQ(storedColor(), std::to_string(bgr(0xBF, 0xBF, 0xBF)));
    const std::size_t afterUnload = mp.display.applied.size();
    controller.release();
    EXPECT_EQ(mp.display.applied.size(), afterUnload) << "nothing is written after the unload";
}

TEST_F(MainFormTest, ScheduleCommandsAndTheAutomaticItemAreKeptAndReported) {
    ASSERT_TRUE(form->Form_Load());  // at the in-memory clock's 00:00, inside 22:00-07:00
    frmMainControlTarget target(*form);
    control::Controller controller(target);
    std::vector<std::string> seen;
    controller.addListener([&](const control::State& s) { seen.push_back(statusLine(s)); });
    const auto stored = [&](const char* name) {
        return mp.profile
            .values[{settings::settingsFilePath(mp.settingsDir.dir), "Schedule", name}];
    };

    Command plan = make(Action::Schedule);
    plan.schedule = *schedule::parse("22:00-07:00").schedule;
    controller.apply(plan);
    EXPECT_EQ(seen.back(), "night #0080FF 40 schedule=22:00-07:00 fade=60");
    EXPECT_EQ(stored("schedule"), "22:00-07:00");
    EXPECT_TRUE(view.automaticEnabled);

    // The tray's item is a change like any other, whoever listens.
    form->mnuAuto_Click();
    EXPECT_EQ(seen.back(), "night #0080FF 40 schedule=22:00-07:00 fade=60 automatic=off");
    EXPECT_EQ(stored("automatic"), "0");

    Command fade = make(Action::Fade);
    fade.fade = 5;
    controller.apply(fade);
    EXPECT_EQ(stored("fade"), "5");
    controller.apply(make(Action::Schedule));  // off
    EXPECT_EQ(seen.back(), "night #0080FF 40");
    EXPECT_EQ(stored("schedule"), "off");
    EXPECT_FALSE(view.automaticEnabled);
}

// Every row of the command table, as typed, through the instance's own reading and the real form:
// what the status line, the JSON and the bus then show. A row without a case here fails.
TEST_F(MainFormTest, EveryCommandRowRoundTripsFromItsArgumentsToTheStateItShows) {
    ASSERT_TRUE(form->Form_Load());  // at the in-memory clock's 00:00
    frmMainControlTarget target(*form);
    control::Controller controller(target);

    const struct {
        std::vector<std::string> args;
        const char* line;   // the status line after it
        const char* json;   // a part of the JSON after it
        const char* field;  // the bus property it shows in, and its value there
        control::FieldValue value;
    } cases[] = {
        {{"--normal"}, "normal #0080FF 40", "\"night\":false", "Night", false},
        {{"--night"}, "night #0080FF 40", "\"night\":true", "Night", true},
        {{"--toggle"}, "normal #0080FF 40", "\"night\":false", "Night", false},
        {{"--color", "ff8000"},
         "normal #FF8000 40",
         "\"color\":\"#FF8000\"",
         "Color",
         std::string("#FF8000")},
        {{"--temperature=2000"},
         "normal #FF8912 40",
         "\"color\":\"#FF8912\"",
         "Color",
         std::string("#FF8912")},
        {{"--brightness", "30"}, "normal #BFBFBF 30", "\"brightness\":30", "Brightness", 30},
        {{"--brightness", "-5"}, "normal #9F9F9F 25", "\"brightness\":25", "Brightness", 25},
        {{"--schedule", "22:00-07:00"},
         "night #9F9F9F 25 schedule=22:00-07:00 fade=60",
         "\"schedule\":\"22:00-07:00\"",
         "Schedule",
         std::string("22:00-07:00")},
        {{"--fade", "5"}, "night #9F9F9F 25 schedule=22:00-07:00 fade=5", "\"fade\":5", "Fade", 5},
        {{"--status"},
         "night #9F9F9F 25 schedule=22:00-07:00 fade=5",
         "\"automatic\":true",
         "Automatic",
         true},
        {{"--watch"},
         "night #9F9F9F 25 schedule=22:00-07:00 fade=5",
         "\"untinted\":[]",
         "Untinted",
         std::vector<std::string>{}},
        {{"--untint", "My TV"},
         "night #9F9F9F 25 schedule=22:00-07:00 fade=5 untinted=My%20TV",
         "\"untinted\":[\"My TV\"]",
         "Untinted",
         std::vector<std::string>{"My TV"}},
        {{"--tint", "My TV"},
         "night #9F9F9F 25 schedule=22:00-07:00 fade=5",
         "\"untinted\":[]",
         "Untinted",
         std::vector<std::string>{}},
        {{"--autostart", "on"},
         "night #9F9F9F 25 schedule=22:00-07:00 fade=5 autostart=on",
         "\"autostart\":true",
         "Autostart",
         true},
        {{"--pause-fullscreen", "on"},
         "night #9F9F9F 25 schedule=22:00-07:00 fade=5 autostart=on",
         "\"pause_fullscreen\":true",
         "PauseFullscreen",
         true},
        {{"--pause-apps", "mpv, gimp"},
         "night #9F9F9F 25 schedule=22:00-07:00 fade=5 autostart=on",
         "\"pause_apps\":[\"mpv\",\"gimp\"]",
         "PauseApps",
         std::vector<std::string>{"mpv", "gimp"}},
        {{"--quit"},
         "night #9F9F9F 25 schedule=22:00-07:00 fade=5 autostart=on",
         "\"night\":true",
         "Night",
         true},
    };
    int unloads = 0;
    form->onUnloaded = [&] { ++unloads; };
    std::set<std::string> covered;
    for (const auto& c : cases) {
        covered.insert(c.args[0].substr(0, c.args[0].find('=')));
        const control::Answer answer = control::answer(controller, c.args);
        ASSERT_EQ(answer.status, control::kDone) << c.args[0] << ": " << answer.message;
        const auto state = control::unpackState(answer.state);
        ASSERT_TRUE(state) << answer.state;
        EXPECT_EQ(control::statusLine(*state), c.line) << c.args[0];
        EXPECT_NE(control::statusJson(*state).find(c.json), std::string::npos) << c.args[0];
        EXPECT_EQ(control::fieldNamed(c.field)->get(*state), c.value) << c.args[0];
    }
    for (const control::CommandRow& row : control::commandRows()) {
        EXPECT_TRUE(covered.count(std::string(row.option))) << row.option << " has no case";
    }
    // --quit is answered first; the channel then ends the instance as the tray's Exit does.
    EXPECT_TRUE(controller.takeQuitRequest());
    EXPECT_EQ(unloads, 0);
    controller.quit();
    EXPECT_EQ(unloads, 1);
}

}  // namespace
