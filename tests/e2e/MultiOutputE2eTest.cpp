// The real binary on an Xorg with the dummy driver: several outputs, outputs coming and going,
// a crash, a resume; and on an Xvfb without RandR, the word that the display refuses.
#include <unistd.h>
#include <QDBusConnection>
#include <QDBusMessage>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "gamma/GammaJournal.h"
#include "platform/linux/RuntimeJournalStore.h"
#include "support/E2eSupport.h"
#include "support/PrivateBus.h"
#include "support/XorgDummyServer.h"

namespace e2e {
namespace {

using namespace std::chrono_literals;

// DUMMY0 keeps the full range; every other output gets a base of its own.
GammaRamp baseOf(int k) {
    if (k == 0) {
        return fullRange();
    }
    return rampOf([k](std::size_t i) { return static_cast<std::uint16_t>(i * (200 + 10 * k)); });
}

// True if `condition` held throughout `period`: for checks that something does not happen.
bool holdsFor(const std::function<bool()>& condition, std::chrono::milliseconds period) {
    return !waitUntil([&] { return !condition(); }, period);
}

class MultiOutputE2e : public ::testing::Test {
  protected:
    void SetUp() override {
        if (const std::string why = XorgDummyServer::unavailable(); !why.empty()) {
            GTEST_SKIP() << why;
        }
        server_ = std::make_unique<XorgDummyServer>();
        ASSERT_TRUE(server_->running()) << server_->error();
    }

    XorgDummyServer& x() const { return *server_; }

    std::unique_ptr<ChildProcess> startTool(const std::string& systemBus = {}) {
        return std::make_unique<ChildProcess>(
            std::vector<std::string>{DIMWARDEN_BINARY}, x().environment(systemBus),
            x().folder() + "/tool-" + std::to_string(++tools_) + ".log");
    }

    // DUMMY0..n-1 lit side by side, each holding its base.
    void light(int n) {
        for (int k = 0; k < n; ++k) {
            if (k > 0) {
                ASSERT_TRUE(x().enable(k, 1024 * k));
            }
            x().setRamp(k, baseOf(k));
        }
    }

    ::testing::AssertionResult allHold(int n, const std::function<GammaRamp(int)>& expected) {
        for (int k = 0; k < n; ++k) {
            if (auto r = outputHolds(x(), k, expected(k), kStartTimeout); !r) {
                return r;
            }
        }
        return ::testing::AssertionSuccess();
    }

    static void stop(ChildProcess& tool) {
        ASSERT_TRUE(waitUntil([&] { return catchesSignals(tool.pid(), {SIGTERM}); }, kStepTimeout));
        tool.signal(SIGTERM);
        EXPECT_EQ(tool.waitExit(kStepTimeout), 0) << tool.log();
    }

    // A click on the switch knob of the tool's main window.
    void clickKnob(ChildProcess& tool, layout::Point at) {
        const auto w =
            viewableWindow(x().display(), tool.pid(), layout::kMainWidth, layout::kMainHeight);
        ASSERT_TRUE(w) << "no main window";
        ASSERT_EQ(runCommand({"xdotool", "mousemove", std::to_string(w->x + at.first),
                              std::to_string(w->y + at.second), "click", "1"},
                             x().environment())
                      .status,
                  0);
    }

    std::string journalPath() const {
        return RuntimeJournalStore(x().runtimeDir()).path(server_->display());
    }

  private:
    std::unique_ptr<XorgDummyServer> server_;
    int tools_ = 0;
};

TEST_F(MultiOutputE2e, EveryOutputIsTintedOnItsOwnBaseAndGetsItBackAtExit) {
    for (int n : {2, 4}) {
        SCOPED_TRACE(std::to_string(n) + " outputs");
        light(n);
        auto tool = startTool();
        ASSERT_TRUE(allHold(n, [](int k) { return defaultTint(baseOf(k)); })) << tool->log();
        EXPECT_TRUE(std::filesystem::exists(journalPath()));
        stop(*tool);
        EXPECT_TRUE(allHold(n, baseOf));
        EXPECT_FALSE(std::filesystem::exists(journalPath()));
        // No system bus, nothing refused: not a word.
        EXPECT_TRUE(dimwardenLines(tool->log()).empty()) << tool->log();
    }
}

TEST_F(MultiOutputE2e, OutputsThatComeAndGoFollowTheMode) {
    light(1);
    x().setRamp(1, baseOf(1));
    x().setRamp(2, baseOf(2));
    auto tool = startTool();
    ASSERT_TRUE(outputHolds(x(), 0, defaultTint(baseOf(0)), kStartTimeout)) << tool->log();

    // Lit in night mode: tinted; off and on again: tinted once, not on its own tint.
    ASSERT_TRUE(x().enable(1, 1024));
    EXPECT_TRUE(outputHolds(x(), 1, defaultTint(baseOf(1))));
    ASSERT_TRUE(x().disable(1));
    ASSERT_TRUE(x().enable(1, 1024));
    EXPECT_TRUE(holdsFor([&] { return x().ramp(1) == defaultTint(baseOf(1)); }, 300ms));

    // The primary moves to DUMMY1 and DUMMY0 goes off and comes back: all outputs are alike.
    ASSERT_TRUE(x().setPrimary(1));
    ASSERT_TRUE(x().disable(0));
    ASSERT_TRUE(x().enable(0, 0));
    EXPECT_TRUE(outputHolds(x(), 0, defaultTint(baseOf(0))));
    EXPECT_TRUE(outputHolds(x(), 1, defaultTint(baseOf(1))));

    // A mode set may reset a table (as done here by hand): the ramp is written again.
    x().setRamp(0, baseOf(0));
    ASSERT_TRUE(x().xrandr({"--output", "DUMMY0", "--mode", "1024x576"}));
    EXPECT_TRUE(outputHolds(x(), 0, defaultTint(baseOf(0))));

    // Normal mode: every base back; an output lit now keeps its own.
    clickKnob(*tool, layout::kKnobInNight);
    EXPECT_TRUE(allHold(2, baseOf));
    ASSERT_TRUE(x().enable(2, 2048));
    EXPECT_TRUE(holdsFor([&] { return x().ramp(2) == baseOf(2); }, 300ms));

    // Night again, then DUMMY2 goes off tinted and the tool exits: it must come back on its base.
    clickKnob(*tool, layout::kKnobInNormal);
    ASSERT_TRUE(allHold(3, [](int k) { return defaultTint(baseOf(k)); }));
    ASSERT_TRUE(x().disable(2));
    stop(*tool);
    EXPECT_TRUE(allHold(2, baseOf));
    ASSERT_TRUE(x().enable(2, 2048));
    EXPECT_TRUE(outputHolds(x(), 2, baseOf(2), 0ms));
}

// A run killed with SIGKILL leaves its tint and its journal behind. The next run takes each
// output's base from a sound journal, and reads the table as it is when the journal is damaged
// or was left by another server.
TEST_F(MultiOutputE2e, AKilledRunIsNotCompoundedAndForeignOrDamagedJournalsAreIgnored) {
    struct Case {
        const char* what;
        std::function<std::string(const std::string& left)> journal;
        bool recovered;
    };
    const Case cases[] = {
        {"journal as the killed run left it", [](const std::string& left) { return left; }, true},
        {"damaged journal",
         [](const std::string& left) {
             std::string bytes = left;
             bytes[bytes.size() / 3] ^= 0x10;
             return bytes;
         },
         false},
        {"journal of another server, whose ramps differ",
         [this](const std::string&) {
             std::vector<journal::Entry> entries;
             for (int k = 0; k < 2; ++k) {
                 const GammaRamp tint = defaultTint(baseOf(7));
                 entries.push_back({x().crtc(k), baseOf(7), tint, tint, false});
             }
             return journal::encode(x().display(), entries);
         },
         false},
    };
    light(2);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        light(2);
        auto killed = startTool();
        ASSERT_TRUE(allHold(2, [](int k) { return defaultTint(baseOf(k)); })) << killed->log();
        killed->kill();
        std::ifstream in(journalPath(), std::ios::binary);
        const std::string left((std::istreambuf_iterator<char>(in)), {});
        ASSERT_FALSE(left.empty()) << "no journal left at " << journalPath();
        std::ofstream(journalPath(), std::ios::binary | std::ios::trunc) << c.journal(left);

        auto next = startTool();
        const auto base = [&](int k) { return c.recovered ? baseOf(k) : defaultTint(baseOf(k)); };
        EXPECT_TRUE(allHold(2, [&](int k) { return defaultTint(base(k)); })) << next->log();
        stop(*next);
        EXPECT_TRUE(allHold(2, base));
    }
}

// Whatever moment of the start a kill hits (before each ramp write and each journal save, by a
// preloaded hook), the next run tints every output on its own base once and gives it back at exit.
TEST_F(MultiOutputE2e, AKillAtAnyMomentOfTheStartLeavesNothingForTheNextRun) {
    int survivedAt = 0;
    for (int at = 1; at <= 40 && survivedAt == 0; ++at) {
        SCOPED_TRACE("killed at ramp write or journal save " + std::to_string(at));
        light(2);
        std::filesystem::remove(journalPath());
        QProcessEnvironment env = x().environment();
        env.insert("LD_PRELOAD", DIMWARDEN_KILL_HOOK);
        env.insert("DIMWARDEN_KILL_AT", QString::number(at));
        // Under AddressSanitizer the hook comes before its runtime, which is harmless here.
        env.insert("ASAN_OPTIONS", env.value("ASAN_OPTIONS") + ":verify_asan_link_order=0");
        ChildProcess killed({DIMWARDEN_BINARY}, env, x().folder() + "/killed.log");
        const auto status = killed.waitExit(kStartTimeout);
        if (!status) {
            // The whole start went by before the hook's turn.
            survivedAt = at;
            EXPECT_TRUE(allHold(2, [](int k) { return defaultTint(baseOf(k)); }));
            killed.kill();
            break;
        }
        ASSERT_EQ(*status, 128 + SIGKILL) << killed.log();
        auto next = startTool();
        EXPECT_TRUE(allHold(2, [](int k) { return defaultTint(baseOf(k)); })) << next->log();
        stop(*next);
        EXPECT_TRUE(allHold(2, baseOf));
        EXPECT_FALSE(std::filesystem::exists(journalPath()));
    }
    // Two outputs: a journal save (naming both outputs' tints) and six ramp writes at least
    // before the start is done.
    EXPECT_GT(survivedAt, 7);
}

// The Monitors submenu of the tray menu, driven by keys as a person would, with four outputs:
// DUMMY1 unchecked is back on its base at once while the others stay tinted, and the next run
// leaves it untinted too, also once it is unplugged and plugged in again.
TEST_F(MultiOutputE2e, AnOutputUncheckedInTheTrayMenuStaysUntintedAcrossARestart) {
    light(4);
    std::ofstream(x().configDir() + "/Dimwarden.ini") << "[Setting]\ncolor=16744448\n";
    ChildProcess trayer(
        {"trayer", "--edge", "top", "--align", "right", "--widthtype", "pixel", "--width", "120",
         "--heighttype", "pixel", "--height", "32", "--transparent", "false"},
        x().environment(), x().folder() + "/trayer.log");
    ASSERT_TRUE(waitUntil([&] { return notificationAreaReady(x().display()); }, kStepTimeout))
        << trayer.log();
    const auto tinted = [](int k) { return defaultTint(baseOf(k)); };
    const auto allButOne = [](int k) { return k == 1 ? baseOf(k) : defaultTint(baseOf(k)); };

    auto tool = startTool();
    ASSERT_TRUE(allHold(4, tinted)) << tool->log();
    ASSERT_TRUE(waitForWindow(
        x().display(), tool->pid(), [](const WindowInfo& w) { return w.inTray && w.viewable; },
        kStartTimeout))
        << "no icon in the notification area\n"
        << tool->log();
    // Night, Normal, Start at login, the submenu (opened on its first item, DUMMY0), then its
    // second item.
    const auto icon = trayIcon(x().display(), *tool);
    ASSERT_TRUE(icon);
    ASSERT_EQ(runCommand({"xdotool", "mousemove", std::to_string(icon->x + icon->width / 2),
                          std::to_string(icon->y + icon->height / 2), "sleep", "0.1", "click", "3"},
                         x().environment())
                  .status,
              0);
    ASSERT_TRUE(waitUntil([&] { return isMenuOpen(x().display(), *tool); }, kStepTimeout))
        << "the tray menu did not open";
    ASSERT_EQ(runCommand({"xdotool", "key", "--delay", "80", "Down", "Down", "Down", "Down",
                          "Right", "Down", "Return"},
                         x().environment())
                  .status,
              0);
    EXPECT_TRUE(allHold(4, allButOne));
    EXPECT_TRUE(holdsFor([&] { return x().ramp(0) == tinted(0); }, 300ms));
    stop(*tool);
    EXPECT_TRUE(allHold(4, baseOf));

    auto next = startTool();
    ASSERT_TRUE(allHold(4, allButOne)) << next->log();
    EXPECT_TRUE(holdsFor([&] { return x().ramp(1) == baseOf(1); }, 300ms));
    ASSERT_TRUE(x().disable(1));
    ASSERT_TRUE(x().enable(1, 1024));
    EXPECT_TRUE(holdsFor([&] { return x().ramp(1) == baseOf(1); }, 300ms));
    EXPECT_TRUE(allHold(4, allButOne));
    stop(*next);
    EXPECT_TRUE(allHold(4, baseOf));
}

TEST_F(MultiOutputE2e, ResumeWritesTheTablesAgain) {
    ChildProcess bus({"dbus-daemon", "--session", "--nofork", "--nopidfile", "--print-address=1"},
                     x().environment(), x().folder() + "/dbus.log");
    std::string address;
    ASSERT_TRUE(waitUntil(
        [&] {
            std::istringstream log(bus.log());
            return std::getline(log, address) && address.starts_with("unix:");
        },
        kStepTimeout))
        << bus.log();
    // The test plays logind: it owns its name on this private bus and sends its signal.
    QDBusConnection login1 =
        QDBusConnection::connectToBus(QString::fromStdString(address), QStringLiteral("login1"));
    ASSERT_TRUE(login1.isConnected());
    ASSERT_TRUE(login1.registerService(QStringLiteral("org.freedesktop.login1")));
    const auto sleep = [&](bool starting) {
        QDBusMessage m = QDBusMessage::createSignal(
            QStringLiteral("/org/freedesktop/login1"),
            QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PrepareForSleep"));
        m << starting;
        login1.send(m);
    };

    light(2);
    auto tool = startTool(address);
    ASSERT_TRUE(allHold(2, [](int k) { return defaultTint(baseOf(k)); })) << tool->log();
    // The driver reset the tables across the suspend.
    light(2);
    sleep(true);
    EXPECT_TRUE(holdsFor([&] { return x().ramp(1) == baseOf(1); }, 300ms))
        << "going to sleep wrote a ramp";
    // Sent until seen: the tool may still be subscribing when the first one goes out.
    EXPECT_TRUE(waitUntil(
        [&] {
            sleep(false);
            return x().ramp(0) == defaultTint(baseOf(0)) && x().ramp(1) == defaultTint(baseOf(1));
        },
        kStepTimeout));
    stop(*tool);
    EXPECT_TRUE(dimwardenLines(tool->log()).empty()) << tool->log();
    login1.unregisterService(QStringLiteral("org.freedesktop.login1"));
    QDBusConnection::disconnectFromBus(QStringLiteral("login1"));
}

// A system bus that takes the connection and never answers holds up nothing: the start tints, a
// termination signal is obeyed at once, and after a few seconds one line says that no resume is
// watched.
TEST_F(MultiOutputE2e, ASystemBusThatNeverAnswersHoldsUpNothing) {
    const SilentBus bus(x().folder());
    ASSERT_TRUE(bus.listening());

    light(2);
    for (const bool waitForWord : {false, true}) {
        SCOPED_TRACE(waitForWord ? "after the probe gave up" : "while the bus is probed");
        auto tool = startTool(bus.address());
        EXPECT_TRUE(allHold(2, [](int k) { return defaultTint(baseOf(k)); })) << tool->log();
        const std::vector<std::string> word = {
            "dimwarden: the system bus takes connections but does not answer; a resume from "
            "suspend is not watched"};
        if (waitForWord) {
            EXPECT_TRUE(
                waitUntil([&] { return dimwardenLines(tool->log()) == word; }, kStepTimeout))
                << tool->log();
        }
        stop(*tool);
        EXPECT_TRUE(allHold(2, baseOf));
    }
}

// Without RandR nothing can be tinted: one line on stderr and one message, whether a stored
// colour keeps the main window put away or a first run shows it, and then the message is stacked
// above the window; the tool runs on and exits normally.
TEST(RefusingDisplayE2e, ADisplayWithoutRandrIsSaidOnceAndSeen) {
    if (!XvfbServer::available()) {
        GTEST_SKIP() << "Xvfb is not installed";
    }
    for (const bool firstRun : {false, true}) {
        SCOPED_TRACE(firstRun ? "first run, window shown" : "stored colour, window put away");
        PrivateXServer xvfb([](const std::string&) {
            return std::vector<std::string>{XvfbServer::binary(), "-extension", "RANDR",
                                            "-noreset",           "-screen",    "0",
                                            "1280x800x24"};
        });
        ASSERT_TRUE(xvfb.running()) << xvfb.error();
        std::unique_ptr<ChildProcess> helper;
        if (firstRun) {
            helper =
                std::make_unique<ChildProcess>(std::vector<std::string>{"openbox", "--sm-disable"},
                                               xvfb.environment(), xvfb.folder() + "/openbox.log");
            ASSERT_TRUE(waitForWindowManager(xvfb.display())) << helper->log();
        } else {
            std::ofstream(xvfb.configDir() + "/Dimwarden.ini") << "[Setting]\ncolor=255\n";
            // A notification area, so that the stored colour puts the main window away.
            helper = std::make_unique<ChildProcess>(
                std::vector<std::string>{"trayer", "--edge", "top", "--align", "right",
                                         "--widthtype", "pixel", "--width", "120", "--heighttype",
                                         "pixel", "--height", "32", "--transparent", "false"},
                xvfb.environment(), xvfb.folder() + "/trayer.log");
            ASSERT_TRUE(
                waitUntil([&] { return notificationAreaReady(xvfb.display()); }, kStepTimeout))
                << helper->log();
        }
        ChildProcess tool({DIMWARDEN_BINARY}, xvfb.environment(), xvfb.folder() + "/tool.log");
        const auto message = waitForWindow(
            xvfb.display(), tool.pid(),
            [](const WindowInfo& w) {
                return w.viewable && !w.inTray &&
                       !(w.width == layout::kMainWidth && w.height == layout::kMainHeight);
            },
            kStartTimeout);
        ASSERT_TRUE(message) << "no message window\n" << tool.log();
        if (firstRun) {
            const auto main = waitForWindow(
                xvfb.display(), tool.pid(),
                [](const WindowInfo& w) {
                    return w.viewable && w.width == layout::kMainWidth &&
                           w.height == layout::kMainHeight;
                },
                kStepTimeout);
            ASSERT_TRUE(main);
            const auto above = [&] {
                const std::vector<unsigned long> order = stackingOrder(xvfb.display());
                const auto m = std::find(order.begin(), order.end(), message->id);
                const auto w = std::find(order.begin(), order.end(), main->id);
                return m != order.end() && w != order.end() && m > w;
            };
            EXPECT_TRUE(waitUntil(above, kStepTimeout)) << "the message is under the main window";
            EXPECT_TRUE(holdsFor(above, 500ms)) << "the main window went over the message";
        } else {
            EXPECT_FALSE(viewableWindow(xvfb.display(), tool.pid(), layout::kMainWidth,
                                        layout::kMainHeight));
        }
        ASSERT_TRUE(waitUntil([&] { return catchesSignals(tool.pid(), {SIGTERM}); }, kStepTimeout));
        tool.signal(SIGTERM);
        EXPECT_EQ(tool.waitExit(kStepTimeout), 0);
        EXPECT_EQ(dimwardenLines(tool.log()),
                  std::vector<std::string>{
                      "dimwarden: this display does not let programs change the screen's colours: "
                      "the X server offers no RandR 1.3, through which gamma tables are set"});
    }
}

}  // namespace
// Scripts name outputs: a start by --untint leaves that output on its base, --status names the
// untinted ones, --tint puts one back, and the settings file remembers.
TEST_F(MultiOutputE2e, ScriptsLeaveOutputsUntintedByName) {
    if (!PrivateBus::available()) {
        GTEST_SKIP() << "dbus-daemon is not installed";
    }
    PrivateBus bus;
    ASSERT_TRUE(bus.running()) << bus.error().toStdString();
    QProcessEnvironment env = x().environment();
    env.insert("DBUS_SESSION_BUS_ADDRESS", bus.address());
    const auto dimwarden = [&](std::vector<std::string> args) {
        args.insert(args.begin(), DIMWARDEN_BINARY);
        return runCommand(args, env, kStepTimeout);
    };
    const auto tinted = [](int k) { return defaultTint(baseOf(k)); };
    light(2);

    ChildProcess tool({DIMWARDEN_BINARY, "--untint", "DUMMY1"}, env, x().folder() + "/tool.log");
    ASSERT_TRUE(outputHolds(x(), 0, tinted(0), kStartTimeout)) << tool.log();
    EXPECT_TRUE(outputHolds(x(), 1, baseOf(1)));
    ASSERT_TRUE(waitUntil([&] { return dimwarden({"--status"}).status == 0; }, kStartTimeout));
    ChildProcess watch({DIMWARDEN_BINARY, "--watch"}, env, x().folder() + "/watch.log");
    ASSERT_TRUE(waitUntil([&] { return !watch.log().empty(); }, kStepTimeout));

    const struct {
        std::vector<std::string> args;
        int status;
        std::string output;  // starts with this
        GammaRamp dummy1;
    } steps[] = {
        {{"--status"}, 0, "night #0080FF 40 untinted=DUMMY1\n", baseOf(1)},
        {{"--untint", "My TV"}, 0, "", baseOf(1)},
        {{"--status", "--json"},
         0,
         R"({"night":true,"color":"#0080FF","brightness":40,"schedule":"off","fade":60,"automatic":true,"untinted":["DUMMY1","My TV"],"autostart":false})",
         baseOf(1)},
        {{"--tint", "DUMMY1"}, 0, "", tinted(1)},
        {{"--status"}, 0, "night #0080FF 40 untinted=My%20TV\n", tinted(1)},
        {{"--untint"}, 2, "dimwarden: --untint needs a value", tinted(1)},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.args[0]);
        const CommandResult r = dimwarden(step.args);
        EXPECT_EQ(r.status, step.status) << r.output;
        EXPECT_EQ(r.output.substr(0, step.output.size()), step.output);
        EXPECT_TRUE(outputHolds(x(), 1, step.dummy1));
        EXPECT_TRUE(outputHolds(x(), 0, tinted(0)));
    }
    EXPECT_TRUE(waitUntil(
        [&] {
            return watch.log() ==
                   "night #0080FF 40 untinted=DUMMY1\n"
                   "night #0080FF 40 untinted=DUMMY1,My%20TV\n"
                   "night #0080FF 40 untinted=My%20TV\n";
        },
        kStepTimeout))
        << watch.log();
    std::ifstream file(x().configDir() + "/Dimwarden.ini");
    const std::string settings((std::istreambuf_iterator<char>(file)), {});
    for (const char* line : {"[Untinted]\n", "\ncount=1\n", "\nname1=My%20TV\n"}) {
        EXPECT_NE(settings.find(line), std::string::npos) << settings;
    }
    stop(tool);
    EXPECT_TRUE(allHold(2, baseOf));
}

}  // namespace e2e
