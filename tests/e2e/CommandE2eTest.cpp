// Driving the running tool from outside: each command's effect on the ramp, the window and the
// settings file, with its exit status; bad input that sends nothing; a command that starts the
// tool; and --watch following changes from the window, the bus and other commands.
#include <gtest/gtest.h>
#include <signal.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>

#include "support/E2eSupport.h"
#include "support/PrivateBus.h"
#include "support/ScopedEnv.h"

namespace e2e {
namespace {

using namespace std::chrono_literals;

class CommandE2e : public ToolTest {
  protected:
    void SetUp() override {
        ToolTest::SetUp();
        if (IsSkipped()) {
            return;
        }
        if (!PrivateBus::available()) {
            GTEST_SKIP() << "dbus-daemon is not installed";
        }
        bus_ = std::make_unique<PrivateBus>();
        ASSERT_TRUE(bus_->running()) << bus_->error().toStdString();
        session().useSessionBus(bus_->address());
    }
    void TearDown() override {
        ToolTest::TearDown();
        bus_.reset();
    }

    CommandResult dimwarden(const std::vector<std::string>& args) {
        std::vector<std::string> argv = {DIMWARDEN_BINARY};
        argv.insert(argv.end(), args.begin(), args.end());
        return runCommand(argv, session().environment(), kStepTimeout);
    }
    // Waits until the instance answers on the bus.
    bool answers() {
        return waitUntil([&] { return dimwarden({"--status"}).status == 0; }, kStartTimeout);
    }
    bool showsNight(const WindowInfo& main, bool night) {
        return waitUntil(
            [&] { return (pixelIn(main, layout::kSwitchLeft) == layout::kSwitchBlue) == night; },
            kStepTimeout);
    }

    std::unique_ptr<PrivateBus> bus_;
};

std::string settingsWith(std::uint32_t color) {
    return "[Setting]\ncolor=" + std::to_string(color) + "\n";
}

TEST_F(CommandE2e, EachCommandActsAsTheWindowWouldAndBadInputSendsNothing) {
    ScopedEnv zone("TZ", "UTC");
    auto tool = session().startTool();
    const auto main = waitMainWindow(*tool);
    ASSERT_TRUE(main) << tool->log();
    ASSERT_TRUE(answers()) << tool->log();

    struct Case {
        std::vector<std::string> args;
        int status;
        std::string output;  // the output starts with this; empty: no output at all
        GammaRamp ramp;      // on the display once the command has returned
        bool night;          // what the switch shows
        std::string settings;
    };
    const GammaRamp base = fullRange();
    const std::string noFile;
    // A night from an hour ago to an hour from now (in UTC, the tool's zone here) keeps the
    // night on when it is set.
    const int minute = static_cast<int>(std::time(nullptr) / 60 % (24 * 60));
    char night[16];
    std::snprintf(night, sizeof night, "%02d:%02d-%02d:%02d", (minute + 1380) / 60 % 24,
                  minute % 60, (minute + 60) / 60 % 24, minute % 60);
    const std::string scheduled =
        settingsWith(0x00FF00) + "[Schedule]\nschedule=" + night + "\nfade=60\nautomatic=1\n";
    const Case cases[] = {
        {{"--status"}, 0, "night #0080FF 40\n", defaultTint(), true, noFile},
        // The first completed change keeps the colour, as a click would.
        {{"--normal"}, 0, "", base, false, settingsWith(0xFF8000)},
        {{"--status"}, 0, "normal #0080FF 40\n", base, false, settingsWith(0xFF8000)},
        {{"--toggle"}, 0, "", defaultTint(base), true, settingsWith(0xFF8000)},
        {{"--color", "#FF8000"}, 0, "", keep(base, 40, 30, 20), true, settingsWith(0x0080FF)},
        {{"--status", "--json"},
         0,
         "{\"night\":true,\"color\":\"#FF8000\",\"brightness\":40,\"schedule\":\"off\","
         "\"fade\":60,\"automatic\":true,\"untinted\":[],\"autostart\":false}\n",
         keep(base, 40, 30, 20),
         true,
         settingsWith(0x0080FF)},
        {{"--brightness", "0"}, 0, "", keep(base, 20, 20, 20), true, settingsWith(0)},
        {{"--brightness", "+40"}, 0, "", base, true, settingsWith(0xFFFFFF)},
        {{"--brightness=-20"}, 0, "", keep(base, 30, 30, 30), true, settingsWith(0x808080)},
        {{"--status"},
         0,
         "night #808080 20\n",
         keep(base, 30, 30, 30),
         true,
         settingsWith(0x808080)},
        {{"--color", "#12345"},
         2,
         "dimwarden: '#12345' is not a colour",
         keep(base, 30, 30, 30),
         true,
         settingsWith(0x808080)},
        // One bad line is enough here: that it sends nothing. How each kind of bad line is told
        // is the parser's, tested with it.
        {{"--normal"}, 0, "", base, false, settingsWith(0x808080)},
        {{"--color", "00ff00"}, 0, "", keep(base, 20, 40, 20), false, settingsWith(0x00FF00)},
        {{"--night"}, 0, "", keep(base, 20, 40, 20), true, settingsWith(0x00FF00)},
        {{"--schedule", night}, 0, "", keep(base, 20, 40, 20), true, scheduled},
        {{"--status"},
         0,
         "night #00FF00 20 schedule=" + std::string(night) + " fade=60\n",
         keep(base, 20, 40, 20),
         true,
         scheduled},
    };
    for (const Case& c : cases) {
        const std::string what = c.args[0] + (c.args.size() > 1 ? " " + c.args[1] : "");
        const CommandResult r = dimwarden(c.args);
        EXPECT_EQ(r.status, c.status) << what << ": " << r.output;
        EXPECT_EQ(r.output.substr(0, c.output.size()), c.output) << what;
        EXPECT_EQ(r.output.empty(), c.output.empty()) << what << ": " << r.output;
        if (c.status == 2) {
            EXPECT_NE(r.output.find("\nUsage: dimwarden [options]"), std::string::npos) << what;
        }
        EXPECT_TRUE(rampBecomes(c.ramp)) << what;
        EXPECT_TRUE(showsNight(*main, c.night)) << what;
        if (c.settings.empty()) {
            EXPECT_FALSE(std::filesystem::exists(session().settingsPath())) << what;
        } else {
            EXPECT_EQ(session().readSettings(), c.settings) << what;
        }
    }
    EXPECT_TRUE(tool->running());
}

TEST_F(CommandE2e, WithNoInstanceStatusStartsNothingAndACommandStartsTheTool) {
    for (const char* ask : {"--status", "--watch"}) {
        const CommandResult r = dimwarden({ask});
        EXPECT_EQ(r.status, 3) << ask << ": " << r.output;
        EXPECT_EQ(r.output, "dimwarden: no instance is running on this display.\n") << ask;
    }
    EXPECT_FALSE(std::filesystem::exists(session().settingsPath()));
    EXPECT_TRUE(rampBecomes(fullRange(), 0ms));

    // The command's own process becomes the instance and applies it after its load sequence.
    auto tool = session().start({DIMWARDEN_BINARY, "--color", "#FF0000"}, "tool-by-command.log");
    ASSERT_TRUE(waitMainWindow(*tool)) << tool->log();
    EXPECT_TRUE(rampBecomes(keep(fullRange(), 40, 20, 20)));
    ASSERT_TRUE(answers()) << tool->log();
    EXPECT_EQ(dimwarden({"--status"}).output, "night #FF0000 40\n");
    EXPECT_EQ(session().readSettings(), settingsWith(0x0000FF));
}

TEST_F(CommandE2e, TwoCommandsAtOnceWithNoneRunningStartOneInstanceAndBothApply) {
    auto first = session().start({DIMWARDEN_BINARY, "--brightness", "-10"}, "first.log");
    auto second = session().start({DIMWARDEN_BINARY, "--brightness", "-10"}, "second.log");
    // The start that lost the display's instance check hands its command to the winner.
    ASSERT_TRUE(
        waitUntil([&] { return !first->running() || !second->running(); }, kStartTimeout * 2));
    ChildProcess& sender = first->running() ? *second : *first;
    EXPECT_TRUE(exitsWith(sender, 0)) << sender.log();
    ASSERT_TRUE(answers());
    EXPECT_EQ(dimwarden({"--status"}).output, "night #808080 20\n");
    EXPECT_TRUE(rampBecomes(keep(fullRange(), 30, 30, 30)));
}

TEST_F(CommandE2e, WatchPrintsALineForEveryChangeFromAnySource) {
    auto tool = session().startTool();
    const auto main = waitMainWindow(*tool);
    ASSERT_TRUE(main) << tool->log();
    ASSERT_TRUE(answers()) << tool->log();

    auto watch = session().start({DIMWARDEN_BINARY, "--watch"}, "watch.log");
    std::string expected = "night #0080FF 40\n";
    auto printed = [&] {
        return waitUntil([&] { return watch->log() == expected; }, kStepTimeout);
    };
    ASSERT_TRUE(printed()) << watch->log();

    // From the window: the switch.
    ASSERT_TRUE(click(*main, layout::kKnobInNight));
    expected += "normal #0080FF 40\n";
    EXPECT_TRUE(printed()) << watch->log();

    // From the bus, as any other program would write it.
    const CommandResult set = runCommand(
        {"gdbus", "call", "--session", "--dest", "io.github.dimwarden.Dimwarden", "--object-path",
         "/io/github/dimwarden/Dimwarden", "--method", "org.freedesktop.DBus.Properties.Set",
         "io.github.dimwarden.Dimwarden", "Brightness", "<int32 10>"},
        session().environment());
    EXPECT_EQ(set.status, 0) << set.output;
    expected += "normal #404040 10\n";
    EXPECT_TRUE(printed()) << watch->log();

    // From another command; one that changes nothing prints nothing.
    EXPECT_EQ(dimwarden({"--night"}).status, 0);
    EXPECT_EQ(dimwarden({"--brightness", "10"}).status, 0);
    expected += "night #404040 10\n";
    EXPECT_TRUE(printed()) << watch->log();
    EXPECT_TRUE(holdsFor([&] { return watch->log() == expected; }, 300ms)) << watch->log();

    // The instance goes: so does the watch, as when none ran.
    tool->signal(SIGTERM);
    EXPECT_TRUE(exitsWith(*tool, 0));
    EXPECT_TRUE(exitsWith(*watch, 3));
}

TEST_F(CommandE2e, StepsAndNamesSentAtOnceAllCountAndQuitEndsTheInstanceAsExitDoes) {
    auto tool = session().startTool();
    ASSERT_TRUE(waitMainWindow(*tool)) << tool->log();
    ASSERT_TRUE(answers()) << tool->log();
    ASSERT_EQ(dimwarden({"--brightness", "0"}).status, 0);

    // Each step is taken where the slider stands in the instance, not where a sender read it.
    const auto together = [&](const std::function<std::vector<std::string>(int)>& args) {
        std::vector<std::unique_ptr<ChildProcess>> senders;
        for (int i = 0; i < 20; ++i) {
            std::vector<std::string> argv = {DIMWARDEN_BINARY};
            const std::vector<std::string> more = args(i);
            argv.insert(argv.end(), more.begin(), more.end());
            senders.push_back(session().start(argv, "sender" + std::to_string(i) + ".log"));
        }
        for (auto& sender : senders) {
            EXPECT_TRUE(exitsWith(*sender, 0)) << sender->log();
        }
    };
    together([](int) { return std::vector<std::string>{"--brightness", "+1"}; });
    EXPECT_EQ(dimwarden({"--status"}).output, "night #808080 20\n");
    together([](int i) {
        return std::vector<std::string>{"--untint", "OUT-" + std::to_string(i)};
    });
    std::set<std::string> names;
    for (int i = 0; i < 20; ++i) {
        names.insert("OUT-" + std::to_string(i));
    }
    std::string untinted;
    for (const std::string& name : names) {
        untinted += (untinted.empty() ? "" : ",") + name;
    }
    EXPECT_EQ(dimwarden({"--status"}).output, "night #808080 20 untinted=" + untinted + "\n");

    const CommandResult quit = dimwarden({"--quit"});
    EXPECT_EQ(quit.status, 0) << quit.output;
    EXPECT_TRUE(exitsWith(*tool, 0)) << tool->log();
    EXPECT_TRUE(rampBecomes(fullRange()));
    const std::string kept = settingsWith(0x808080);
    EXPECT_EQ(session().readSettings().substr(0, kept.size()), kept) << "the colour is kept";
    const CommandResult again = dimwarden({"--quit"});
    EXPECT_EQ(again.status, 3) << again.output;
    EXPECT_FALSE(tool->running());
}

// Start at login: the entry written names a command that starts the tool; off removes it.
TEST_F(CommandE2e, AutostartWritesAnEntryThatStartsTheToolAndOffRemovesIt) {
    auto tool = session().start({DIMWARDEN_BINARY, "--autostart", "on"}, "tool.log");
    ASSERT_TRUE(waitMainWindow(*tool)) << tool->log();
    ASSERT_TRUE(answers()) << tool->log();
    EXPECT_EQ(dimwarden({"--status"}).output, "night #0080FF 40 autostart=on\n");
    const std::filesystem::path entry =
        std::filesystem::path(session().settingsPath()).parent_path() / "autostart" /
        "io.github.dimwarden.Dimwarden.desktop";
    std::ifstream in(entry);
    std::string exec;
    for (std::string line; std::getline(in, line) && exec.empty();) {
        if (line.rfind("Exec=", 0) == 0) {
            exec = line.substr(5);
        }
    }
    ASSERT_TRUE(std::filesystem::exists(exec)) << exec;
    EXPECT_TRUE(std::filesystem::equivalent(exec, DIMWARDEN_BINARY)) << exec;

    ASSERT_EQ(dimwarden({"--quit"}).status, 0);
    ASSERT_TRUE(exitsWith(*tool, 0)) << tool->log();
    auto atLogin = session().start({exec}, "login.log");
    ASSERT_TRUE(waitMainWindow(*atLogin)) << atLogin->log();
    ASSERT_TRUE(answers()) << atLogin->log();
    const CommandResult off = dimwarden({"--autostart", "off"});
    EXPECT_EQ(off.status, 0) << off.output;
    EXPECT_FALSE(std::filesystem::exists(entry));
    EXPECT_EQ(dimwarden({"--status"}).output, "night #0080FF 40\n");
    EXPECT_EQ(dimwarden({"--quit"}).status, 0);
    EXPECT_TRUE(exitsWith(*atLogin, 0)) << atLogin->log();
}

}  // namespace
}  // namespace e2e
