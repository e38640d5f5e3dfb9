// Commands and answers as they travel between two processes of the tool.
#include <gtest/gtest.h>

#include "control/CommandMessage.h"

namespace control {
namespace {

Command make(Action action, std::uint32_t color = 0, int brightness = 0, bool relative = false) {
    Command c;
    c.action = action;
    c.color = BgrColor(color);
    c.brightness = brightness;
    c.relative = relative;
    return c;
}

Command output(Action action, std::string name) {
    Command c = make(action);
    c.output = std::move(name);
    return c;
}

TEST(CommandMessage, EveryCommandArrivesAsSent) {
    const Command commands[] = {
        make(Action::Night),
        make(Action::Normal),
        make(Action::Toggle),
        make(Action::Color, 0x00FF8000),
        make(Action::Color, 0),
        make(Action::Brightness, 0, 0),
        make(Action::Brightness, 0, 40),
        make(Action::Brightness, 0, 5, true),
        make(Action::Brightness, 0, -40, true),
        make(Action::Status),
        make(Action::Watch),
        output(Action::Untint, "My TV=2, é"),
        output(Action::Tint, "\\\\.\\DISPLAY1 (DELL U2415)"),
    };
    std::vector<Command> all(std::begin(commands), std::end(commands));
    for (const char* text : {"22:00-07:00", "sun:-33.9,151.2", "off"}) {
        all.push_back(make(Action::Schedule));
        all.back().schedule = *schedule::parse(text).schedule;
    }
    for (int seconds : {0, 3600}) {
        all.push_back(make(Action::Fade));
        all.back().fade = seconds;
    }
    for (const Command& c : all) {
        const std::string bytes = packCommand(c);
        EXPECT_EQ(unpackCommand(bytes), c) << bytes;
    }
    EXPECT_EQ(packCommand(make(Action::Color, 0x00FF8000)), std::string("--color\0#0080FF\0", 16));
}

TEST(CommandMessage, AnythingButOneSoundCommandIsRefused) {
    using namespace std::string_literals;
    const std::string refused[] = {
        ""s,
        "--night"s,              // not ended
        "--night\0--toggle\0"s,  // two commands
        "--color\0#12345\0"s,    // bad colour
        "--brightness\0"
        "41\0"s,              // out of range
        "--help\0"s,          // not a command
        "--night\0extra\0"s,  // something left over
        "\0"s,
        "--json\0--night\0"s,
        "--schedule\0sun:91,0\0"s,
        "--fade\0-1\0"s,
        "--untint\0\0"s,  // no name
    };
    for (const std::string& bytes : refused) {
        EXPECT_EQ(unpackCommand(bytes), std::nullopt) << bytes;
    }
}

TEST(CommandMessage, StateAnswersRoundTripAndAnythingElseIsNoState) {
    const State states[] = {{true, BgrColor(0xFF8000), 40},
                            {false, BgrColor(), 0, "22:00-07:00", 0, false},
                            {false, BgrColor(0xFFFFFF), 17, "sun:52.52,-13.4", 3600, true},
                            {true, BgrColor(0xFF8000), 40, "off", 60, true, {"DP-1", "My TV=2,\n é"}},
                            {true,
                             BgrColor(0xFF8000),
                             40,
                             "off",
                             60,
                             true,
                             {},
                             true,
                             true,
                             {"mpv", "Code OSS"},
                             {"DP-1", "HDMI 2"},
                             "no window system here"}};
    for (const State& s : states) {
        EXPECT_EQ(unpackState(packState(s)), s) << statusLine(s);
    }
    EXPECT_EQ(packState({true, BgrColor(0xFF8000), 40}),
              "night=1\ncolor=#0080FF\nbrightness=40\nschedule=off\nfade=60\nautomatic=1\n"
              "autostart=0\npause_fullscreen=0\npause_unavailable=\n");
    // Keys in any order, unknown ones (a later instance's) passed over, no final line end; the
    // schedule's fields have their defaults when left out.
    EXPECT_EQ(unpackState("later=x y\nbrightness=7\ncolor=#0C0B0A\nnight=0"),
              (State{false, BgrColor(0x0A0B0C), 7}));
    const char* refused[] = {
        "",
        "night=1\ncolor=#0080FF\n",                   // no brightness
        "night=yes\ncolor=#0080FF\nbrightness=40\n",  // not 0 or 1
        "night=1\ncolor=#0080F\nbrightness=40\n",
        "night=1\ncolor=#0080FF\nbrightness=41\n",
        "night=1\ncolor=#0080FF\nbrightness=+4\n",
        "night=1\ncolor=#0080FF\nbrightness 40\n",
        "night=1\ncolor=#0080FF\nbrightness=40\nschedule=25:00-07:00\n",
        "night=1\ncolor=#0080FF\nbrightness=40\nfade=3601\n",
        "night=1\ncolor=#0080FF\nbrightness=40\nautomatic=no\n",
        "night=1\ncolor=#0080FF\nbrightness=40\nuntinted=My TV\n",
    };
    for (const char* text : refused) {
        EXPECT_EQ(unpackState(text), std::nullopt) << text;
    }
}

}  // namespace
}  // namespace control
