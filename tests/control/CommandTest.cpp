// The command line of the commands for a running instance, the status line, and the controller
// over a stand-in for the window.
#include <gtest/gtest.h>

#include "control/Command.h"
#include "control/CommandMessage.h"
#include "control/CommandTable.h"
#include "control/Controller.h"
#include "control/StatusNames.h"
#include "control/Temperature.h"
#include "support/MemoryControlTarget.h"

namespace control {
namespace {

struct LineCase {
    std::vector<std::string> args;
    std::optional<Command> command;
    std::vector<std::string> rest;
    std::string error;  // the start of the error, or empty
};

Command make(Action action) {
    Command c;
    c.action = action;
    return c;
}
Command brightness(int value, bool relative) {
    Command c = make(Action::Brightness);
    c.brightness = value;
    c.relative = relative;
    return c;
}
Command color(std::uint32_t bgr) {
    Command c = make(Action::Color);
    c.color = BgrColor(bgr);
    return c;
}
Command planned(const char* text) {
    Command c = make(Action::Schedule);
    c.schedule = *schedule::parse(text).schedule;
    return c;
}
Command fade(int seconds) {
    Command c = make(Action::Fade);
    c.fade = seconds;
    return c;
}
Command output(Action action, std::string name) {
    Command c = make(action);
    c.output = std::move(name);
    return c;
}
Command autostart(bool on) {
    Command c = make(Action::Autostart);
    c.on = on;
    return c;
}
Command pauseFullscreen(bool on) {
    Command c = make(Action::PauseFullscreen);
    c.on = on;
    return c;
}
Command pauseApps(std::vector<std::string> apps) {
    Command c = make(Action::PauseApps);
    c.apps = std::move(apps);
    return c;
}
Command kelvin(int k) {
    Command c = make(Action::Temperature);
    c.kelvin = k;
    return c;
}
Command json(Action action) {
    Command c = make(action);
    c.json = true;
    return c;
}

TEST(CommandLine, TakesOneCommandAndLeavesTheRest) {
    const LineCase cases[] = {
        {{}, std::nullopt, {}, ""},
        {{"--night"}, make(Action::Night), {}, ""},
        {{"--normal"}, make(Action::Normal), {}, ""},
        {{"--toggle", "-platform", "xcb"}, make(Action::Toggle), {"-platform", "xcb"}, ""},
        {{"--color", "#0080FF"}, color(0xFF8000), {}, ""},
        {{"--color=ff8000"}, color(0x0080FF), {}, ""},
        {{"--brightness", "0"}, brightness(0, false), {}, ""},
        {{"--brightness", "40"}, brightness(40, false), {}, ""},
        {{"--brightness", "+5"}, brightness(5, true), {}, ""},
        {{"--brightness=-40"}, brightness(-40, true), {}, ""},
        {{"--brightness", "-5", "--help"}, brightness(-5, true), {"--help"}, ""},
        {{"--schedule", "22:00-07:00"}, planned("22:00-07:00"), {}, ""},
        {{"--schedule", "sun:52.52,13.405"}, planned("sun:52.52,13.405"), {}, ""},
        {{"--schedule", "off"}, make(Action::Schedule), {}, ""},
        {{"--fade", "0"}, fade(0), {}, ""},
        {{"--fade=3600"}, fade(3600), {}, ""},
        {{"--status"}, make(Action::Status), {}, ""},
        {{"--json", "--status"}, json(Action::Status), {}, ""},
        {{"--watch", "--json"}, json(Action::Watch), {}, ""},
        {{"--bogus", "--night"}, make(Action::Night), {"--bogus"}, ""},
        {{"--colour", "x"}, std::nullopt, {"--colour", "x"}, ""},
        {{"--", "--night"}, std::nullopt, {"--", "--night"}, ""},
        {{"--untint", "My TV=2, é"}, output(Action::Untint, "My TV=2, é"), {}, ""},
        {{"--tint=DP-1"}, output(Action::Tint, "DP-1"), {}, ""},
        {{"--pause-fullscreen", "on"}, pauseFullscreen(true), {}, ""},
        {{"--pause-fullscreen=off"}, pauseFullscreen(false), {}, ""},
        {{"--pause-apps", " mpv, GIMP ,mpv.exe"}, pauseApps({"mpv", "GIMP"}), {}, ""},
        {{"--pause-apps", ""}, pauseApps({}), {}, ""},
        {{"--pause-fullscreen", "yes"}, std::nullopt, {}, "'yes' is neither on nor off"},
        {{"--pause-apps",
          // 180 bytes as typed, 540 as the settings file keeps them.
          [] {
              std::string s;
              for (int i = 0; i < 90; ++i) {
                  s += "é";
              }
              return s;
          }()},
         std::nullopt,
         {},
         "the application names are at most 253 bytes"},
        // Each of these sends nothing.
        {{"--night", "--toggle"}, std::nullopt, {}, "one command at a time (--night and --toggle)"},
        {{"--night", "--night"}, std::nullopt, {}, "one command at a time"},
        {{"--night=1"}, std::nullopt, {}, "--night takes no value"},
        {{"--color"}, std::nullopt, {}, "--color needs a value"},
        {{"--color", "#0080F"}, std::nullopt, {}, "'#0080F' is not a colour"},
        {{"--color", "#0080FFF"}, std::nullopt, {}, "'#0080FFF' is not a colour"},
        {{"--color", "##0080FF"}, std::nullopt, {}, "'##0080FF' is not a colour"},
        {{"--color", "0x80FF"}, std::nullopt, {}, "'0x80FF' is not a colour"},
        {{"--color", "#00 0FF"}, std::nullopt, {}, "'#00 0FF' is not a colour"},
        {{"--color="}, std::nullopt, {}, "'' is not a colour"},
        {{"--brightness", "41"}, std::nullopt, {}, "'41' is not a brightness"},
        {{"--brightness", "+41"}, std::nullopt, {}, "'+41' is not a brightness"},
        {{"--brightness", "-"}, std::nullopt, {}, "'-' is not a brightness"},
        {{"--brightness", "100"}, std::nullopt, {}, "'100' is not a brightness"},
        {{"--brightness", "4x"}, std::nullopt, {}, "'4x' is not a brightness"},
        {{"--brightness", " 4"}, std::nullopt, {}, "' 4' is not a brightness"},
        {{"--brightness"}, std::nullopt, {}, "--brightness needs a value"},
        {{"--untint"}, std::nullopt, {}, "--untint needs a value"},
        {{"--tint", ""}, std::nullopt, {}, "--tint needs an output name"},
        {{"--untint", "DP-1", "--tint", "DP-1"}, std::nullopt, {}, "one command at a time"},
        {{"--schedule", "25:00-07:00"}, std::nullopt, {}, "'25:00-07:00' is not a schedule: times"},
        {{"--schedule", "sun:91,0"}, std::nullopt, {}, "'sun:91,0' is not a schedule: latitude"},
        {{"--schedule", "sun:abc"}, std::nullopt, {}, "'sun:abc' is not a schedule: a sun"},
        {{"--schedule"}, std::nullopt, {}, "--schedule needs a value"},
        {{"--fade", "3601"}, std::nullopt, {}, "'3601' is not a fade"},
        {{"--fade", "-1"}, std::nullopt, {}, "'-1' is not a fade"},
        {{"--fade", "60s"}, std::nullopt, {}, "'60s' is not a fade"},
        {{"--json"}, std::nullopt, {}, "--json goes with --status or --watch"},
        {{"--quit"}, make(Action::Quit), {}, ""},
        {{"--temperature", "6500"}, kelvin(6500), {}, ""},
        {{"--temperature=1000"}, kelvin(1000), {}, ""},
        {{"--temperature", "999"}, std::nullopt, {}, "'999' is not a colour temperature"},
        {{"--temperature", "10001"}, std::nullopt, {}, "'10001' is not a colour temperature"},
        {{"--temperature", "6500K"}, std::nullopt, {}, "'6500K' is not a colour temperature"},
        {{"--autostart", "on"}, autostart(true), {}, ""},
        {{"--autostart=off"}, autostart(false), {}, ""},
        {{"--autostart", "On"}, std::nullopt, {}, "'On' is neither on nor off"},
        // What cannot be kept is refused with its limit, before anything is sent.
        {{"--untint", std::string(253, 'a')},
         output(Action::Untint, std::string(253, 'a')),
         {},
         ""},
        {{"--untint", std::string(254, 'a')}, std::nullopt, {}, "--untint takes at most 253 bytes"},
        {{"--tint", std::string(85, '\xE9')}, std::nullopt, {}, "an output name is at most 253"},
        {{"--schedule", std::string(65, '0')},
         std::nullopt,
         {},
         "--schedule takes at most 64 bytes"},
        {{"--color", std::string(100000, 'f')}, std::nullopt, {}, "--color takes at most 64 bytes"},
        {{"--night", "--json"}, std::nullopt, {}, "--json goes with"},
    };
    for (const LineCase& c : cases) {
        std::string what;
        for (const std::string& a : c.args) {
            what += a + " ";
        }
        const ParsedCommandLine parsed = takeCommand(c.args);
        EXPECT_EQ(parsed.command, c.command) << what;
        EXPECT_EQ(parsed.error.substr(0, c.error.size()), c.error) << what;
        EXPECT_EQ(parsed.error.empty(), c.error.empty()) << what << parsed.error;
        if (c.error.empty()) {
            EXPECT_EQ(parsed.rest, c.rest) << what;
        }
    }
}

TEST(CommandLine, ColourTextRoundTripsInEitherCase) {
    const struct {
        const char* text;
        std::uint32_t bgr;
        const char* shown;
    } cases[] = {
        {"#000000", 0x000000, "#000000"}, {"FFFFFF", 0xFFFFFF, "#FFFFFF"},
        {"#0080ff", 0xFF8000, "#0080FF"}, {"#FF8000", 0x0080FF, "#FF8000"},
        {"#123456", 0x563412, "#123456"}, {"aBcDeF", 0xEFCDAB, "#ABCDEF"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(parseColor(c.text), BgrColor(c.bgr)) << c.text;
        EXPECT_EQ(formatColor(BgrColor(c.bgr)), c.shown) << c.text;
    }
    // Only the colour's three bytes are shown.
    EXPECT_EQ(formatColor(BgrColor(0xFF123456)), "#563412");
}

TEST(CommandLine, BrightnessStepsStopAtTheSlidersEnds) {
    const struct {
        Command command;
        int current;
        int target;
    } cases[] = {
        {brightness(10, false), 40, 10}, {brightness(5, true), 30, 35},
        {brightness(5, true), 38, 40},   {brightness(-5, true), 3, 0},
        {brightness(-40, true), 40, 0},  {brightness(0, true), 17, 17},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(targetBrightness(c.command, c.current), c.target)
            << c.command.brightness << " from " << c.current;
    }
}

// Against the published blackbody table's sRGB white points, to the nearest 100 K.
TEST(CommandLine, TemperaturesTintWithTheWhitePointOfABlackBody) {
    const struct {
        int kelvin;
        int red, green, blue;
    } cases[] = {
        {1000, 255, 56, 0},    {1849, 255, 126, 0},    {2000, 255, 137, 18},  {2700, 255, 169, 87},
        {3450, 255, 196, 137}, {5000, 255, 228, 206},  {6500, 255, 249, 253}, {6600, 254, 249, 255},
        {8000, 227, 233, 255}, {10000, 204, 219, 255},
    };
    for (const auto& c : cases) {
        const BgrColor color = temperatureColor(c.kelvin);
        EXPECT_NEAR(color.red(), c.red, 1) << c.kelvin;
        EXPECT_NEAR(color.green(), c.green, 1) << c.kelvin;
        EXPECT_NEAR(color.blue(), c.blue, 1) << c.kelvin;
    }
}

// The bounds the instance keeps whatever the channel: a command refused with one line, and a bus
// write of the whole list.
TEST(Controller, WhatTheSettingsFileCannotKeepIsRefusedWithItsLimit) {
    MemoryControlTarget target;
    Controller controller(target);
    for (int i = 0; i < 256; ++i) {
        ASSERT_EQ(answer(controller, {"--untint", "N" + std::to_string(i)}).status, kDone);
    }
    const Answer more = answer(controller, {"--untint", "one more"});
    EXPECT_EQ(more.status, kBadUsage);
    EXPECT_EQ(more.message, "at most 256 outputs are left untinted: tint one of them first.");
    EXPECT_EQ(answer(controller, {"--untint", "N7"}).status, kDone) << "one already untinted";
    EXPECT_EQ(answer(controller, {"--untint", std::string(300, 'x')}).status, kBadUsage);
    EXPECT_EQ(answer(controller, std::vector<std::string>(100000, "--bogus")).message,
              "a command is at most three arguments.");
    EXPECT_EQ(controller.state().untinted.size(), 256u);

    const FieldRow& untinted = *fieldNamed("Untinted");
    const struct {
        const FieldRow& field;
        FieldValue value;
        std::string refusal;  // empty: taken
    } writes[] = {
        {untinted, std::vector<std::string>(257, "x"), "Untinted holds at most 256 names."},
        {untinted, std::vector<std::string>{std::string(254, 'x')}, "an output name is at most"},
        {untinted, std::vector<std::string>{"A", std::string(253, 'x')}, ""},
        {*fieldNamed("Schedule"), std::string(65, '1'), "a text value is at most 64 bytes."},
        {*fieldNamed("Color"), std::string(65, 'f'), "Color is a string (s) of the form #RRGGBB."},
    };
    for (const auto& w : writes) {
        const std::string refused = w.field.write(controller, w.value);
        EXPECT_EQ(refused.substr(0, w.refusal.size()), w.refusal) << w.field.name;
        EXPECT_EQ(refused.empty(), w.refusal.empty()) << w.field.name << ": " << refused;
    }
    EXPECT_EQ(controller.state().untinted.size(), 2u);
}

TEST(Status, LineAndJsonShowTheSameState) {
    const auto state = [](bool night, std::uint32_t color, int brightness,
                          std::string schedule = "off", int fade = 60, bool automatic = true) {
        return State{night, BgrColor(color), brightness, std::move(schedule), fade, automatic};
    };
    // The fields after the untinted outputs, with nothing chosen.
    const std::string kPauseOff =
        R"("pause_fullscreen":false,"pause_apps":[],"paused":[],"pause_unavailable":""})";
    const std::string kOff = R"("autostart":false,)" + kPauseOff;
    const struct {
        State state;
        const char* line;
        std::string json;
    } cases[] = {
        {state(true, 0xFF8000, 40), "night #0080FF 40",
         R"({"night":true,"color":"#0080FF","brightness":40,"schedule":"off","fade":60,"automatic":true,"untinted":[],)" +
             kOff},
        // Automatic and the fade say nothing while no schedule is set.
        {state(false, 0x0A0B0C, 0, "off", 0, false), "normal #0C0B0A 0",
         R"({"night":false,"color":"#0C0B0A","brightness":0,"schedule":"off","fade":0,"automatic":false,"untinted":[],)" +
             kOff},
        {state(false, 0xFF8000, 40, "22:00-07:00"),
         "normal #0080FF 40 schedule=22:00-07:00 fade=60",
         R"({"night":false,"color":"#0080FF","brightness":40,"schedule":"22:00-07:00","fade":60,"automatic":true,"untinted":[],)" +
             kOff},
        {[&] {
             State s = state(true, 0x0080FF, 20);
             s.autostart = true;
             return s;
         }(),
         "night #FF8000 20 autostart=on",
         R"({"night":true,"color":"#FF8000","brightness":20,"schedule":"off","fade":60,"automatic":true,"untinted":[],"autostart":true,)" +
             kPauseOff},
        {state(true, 0x0080FF, 20, "sun:52.52,13.4", 0, false),
         "night #FF8000 20 schedule=sun:52.52,13.4 fade=0 automatic=off",
         R"({"night":true,"color":"#FF8000","brightness":20,"schedule":"sun:52.52,13.4","fade":0,"automatic":false,"untinted":[],)" +
             kOff},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(statusLine(c.state), c.line);
        EXPECT_EQ(statusJson(c.state), c.json) << c.line;
    }

    // Untinted outputs: every name stays one token of the line, and the JSON stays JSON.
    const struct {
        std::string name;
        std::string inLine;
        std::string inJson;
    } names[] = {
        {"DP-1", "DP-1", R"("DP-1")"},
        {"My TV", "My%20TV", R"("My TV")"},
        {"a,b=c%d", "a%2Cb%3Dc%25d", R"("a,b=c%d")"},
        {"显示器 é", "显示器%20é", R"("显示器 é")"},
        {R"-(\\.\DISPLAY1 ("x"))-", R"-(\\.\DISPLAY1%20("x"))-", R"-("\\\\.\\DISPLAY1 (\"x\")")-"},
        {"tab\tnl\n\x7F", "tab%09nl%0A%7F", R"("tab\u0009nl\u000A\u007F")"},
        {"bad\xFF\xC3(\xE0\x80\x80", "bad\xFF\xC3(\xE0\x80\x80",
         R"("bad\uFFFD\uFFFD(\uFFFD\uFFFD\uFFFD")"},
    };
    for (const auto& n : names) {
        State s = state(true, 0xFF8000, 40);
        s.untinted = {"A", n.name};
        EXPECT_EQ(statusLine(s), "night #0080FF 40 untinted=A," + n.inLine) << n.name;
        EXPECT_EQ(
            statusJson(s),
            R"({"night":true,"color":"#0080FF","brightness":40,"schedule":"off","fade":60,"automatic":true,"untinted":["A",)" +
                n.inJson + "]," + kOff)
            << n.name;
        EXPECT_EQ(splitStatusNames("A," + n.inLine), (std::vector<std::string>{"A", n.name}));
    }
    // Paused monitors while any, and a pause chosen where it cannot act.
    State paused = state(true, 0xFF8000, 40);
    paused.pauseApps = {"mpv"};
    paused.paused = {"DP-1", "My TV"};
    EXPECT_EQ(statusLine(paused), "night #0080FF 40 paused=DP-1,My%20TV");
    EXPECT_NE(statusJson(paused).find(R"("pause_apps":["mpv"],"paused":["DP-1","My TV"])"),
              std::string::npos);
    paused.paused.clear();
    paused.pauseUnavailable = "GNOME on Wayland tells no program which window is active";
    EXPECT_EQ(statusLine(paused), "night #0080FF 40 pause=unavailable");
    paused.pauseApps.clear();
    EXPECT_EQ(statusLine(paused), "night #0080FF 40") << "nothing chosen: nothing to say";

    for (const char* bad : {"A,", ",A", "A%2", "A%G0", "A B", "A=B"}) {
        EXPECT_EQ(splitStatusNames(bad), std::nullopt) << bad;
    }
}

TEST(Controller, RunsTheWindowsHandlersAndReportsEveryChange) {
    MemoryControlTarget target;
    Controller controller(target);
    std::vector<std::string> seen;
    const int id = controller.addListener([&](const State& s) { seen.push_back(statusLine(s)); });

    const Command commands[] = {make(Action::Normal), make(Action::Night),   make(Action::Toggle),
                                color(0x0080FF),      brightness(10, false), brightness(-15, true),
                                brightness(0, false), make(Action::Status),  make(Action::Watch)};
    for (const Command& c : commands) {
        controller.apply(c);
    }
    const std::vector<std::string> calls = {"normal",        "night",         "toggle",
                                            "color #FF8000", "brightness 10", "brightness 0"};
    EXPECT_EQ(target.calls, calls);
    const std::vector<std::string> lines = {"normal #0080FF 40", "night #0080FF 40",
                                            "normal #0080FF 40", "normal #FF8000 40",
                                            "normal #FF8000 10", "normal #FF8000 0"};
    EXPECT_EQ(seen, lines);

    // A schedule and its fade; off clears the schedule and leaves Automatic as it was.
    seen.clear();
    for (const Command& c : {planned("22:00-07:00"), fade(0), make(Action::Schedule)}) {
        controller.apply(c);
    }
    const std::vector<std::string> scheduled = {"normal #FF8000 0 schedule=22:00-07:00 fade=60",
                                                "normal #FF8000 0 schedule=22:00-07:00 fade=0",
                                                "normal #FF8000 0"};
    EXPECT_EQ(seen, scheduled);
    EXPECT_EQ(target.calls.back(), "schedule off");
    EXPECT_TRUE(controller.state().automatic);

    // A change made in the window reaches listeners the same way; a removed one hears nothing.
    target.changeFromWindow(BgrColor(0x000000));
    EXPECT_EQ(seen.back(), "normal #000000 0");
    controller.removeListener(id);
    target.changeFromWindow(BgrColor(0xFFFFFF));
    EXPECT_EQ(seen.size(), scheduled.size() + 1);
}

TEST(Controller, OutputsAreTintedAndUntintedByName) {
    MemoryControlTarget target;
    Controller controller(target);
    std::vector<std::string> seen;
    controller.addListener([&](const State& s) { seen.push_back(statusLine(s)); });
    controller.apply(output(Action::Untint, "TV 2"));
    controller.apply(output(Action::Untint, "DP-1"));
    controller.apply(output(Action::Tint, "TV 2"));
    controller.setUntinted({"B", "A"});
    const std::vector<std::string> calls = {"untint TV 2", "untint DP-1", "tint TV 2",
                                            "untinted 2"};
    EXPECT_EQ(target.calls, calls);
    const std::vector<std::string> lines = {
        "night #0080FF 40 untinted=TV%202", "night #0080FF 40 untinted=DP-1,TV%202",
        "night #0080FF 40 untinted=DP-1", "night #0080FF 40 untinted=A,B"};
    EXPECT_EQ(seen, lines);
}

TEST(Controller, DirectWritesKeepToTheSlidersRange) {
    MemoryControlTarget target;
    Controller controller(target);
    controller.setBrightness(99);
    controller.setBrightness(-3);
    controller.setColor(BgrColor(0xFF00FF00));
    controller.setFadeSeconds(3601);
    controller.setFadeSeconds(-1);
    const std::vector<std::string> calls = {"brightness 0", "color #00FF00", "fade 3600", "fade 0"};
    EXPECT_EQ(target.calls, calls);
    EXPECT_EQ(controller.state(), (State{true, BgrColor(0x00FF00), 0, "off", 0}));
}

}  // namespace
}  // namespace control
