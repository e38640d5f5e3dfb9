// Commands from outside run the form's own handlers, and the form reports each completed change
// once, after the colour is kept.
#include <string>
#include <vector>

#include "MainFormFixture.h"
#include "control/Controller.h"
#include "main_window/frmMainControlTarget.h"

namespace {

using control::Action;
using control::Command;

Command make(Action action, std::uint32_t color = 0, int brightness = 0, bool relative = false) {
    Command c;
    c.action = action;
    c.color = color;
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

}  // namespace
