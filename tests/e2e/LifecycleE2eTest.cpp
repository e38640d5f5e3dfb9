// The real binary from start to exit, driven like a person would: first and later runs, the
// notification icon and its menu, the mode switch, a missing notification area, and the
// termination signals.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <functional>
#include <thread>

#include "gamma/TintMapping.h"

#include "support/E2eSupport.h"
#include "support/PrivateBus.h"

namespace e2e {
namespace {

using namespace std::chrono_literals;

bool isMainWindowShown(const std::string& display, const ChildProcess& tool) {
    return viewableWindow(display, tool.pid(), layout::kMainWidth, layout::kMainHeight).has_value();
}

// Moves onto the icon where it is now (the notification area may still be laying it out), pauses
// as a hand would and clicks. A press within a few milliseconds of the window being put away can
// be lost while the toolkit is still settling the focus change (a second press then opens the
// menu), so the pause keeps the test about the tool.
bool clickIcon(Session& session, const ChildProcess& tool, int button) {
    const auto icon = trayIcon(session.display(), tool);
    if (!icon) {
        ADD_FAILURE() << "the icon has gone from the notification area";
        return false;
    }
    return session.xdotool({"mousemove", std::to_string(icon->x + icon->width / 2),
                            std::to_string(icon->y + icon->height / 2), "sleep", "0.1", "click",
                            std::to_string(button)});
}

using LifecycleE2e = ToolTest;

TEST_F(LifecycleE2e, FirstRunShowsTheWindowTintsAndSavesTheDefaultColourOnClose) {
    std::string why;
    // A notification area is there, but a first run must not use it.
    ASSERT_TRUE(session().startTrayer(why)) << why;
    auto tool = session().startTool();

    const auto main = waitMainWindow(*tool);
    ASSERT_TRUE(main) << tool->log();
    // Centred on the 1280 x 800 screen.
    EXPECT_LE(std::abs(2 * main->x + main->width - 1280), 1);
    EXPECT_LE(std::abs(2 * main->y + main->height - 800), 1);
    // 0x00FF8000: red 0, green 128, blue 255 on the sliders 0, 20, 40.
    ASSERT_TRUE(rampBecomes(defaultTint()));
    EXPECT_TRUE(holdsFor([&] { return !trayIcon(display(), *tool); }, 300ms))
        << "a first run put an icon in the notification area";

    ASSERT_TRUE(click(*main, layout::kClose));
    EXPECT_TRUE(exitsWith(*tool, 0));
    EXPECT_TRUE(rampBecomes(fullRange(), 0ms));
    EXPECT_EQ(session().readSettings(), "[Setting]\ncolor=16744448\n");
}

TEST_F(LifecycleE2e, StoredColourStartsInTheTrayWhoseIconAndMenuDriveTheTool) {
    session().writeSettings("[Setting]\ncolor=65280\n");  // pure green
    std::string why;
    ASSERT_TRUE(session().startTrayer(why)) << why;
    auto tool = session().startTool();

    const auto icon = waitForWindow(
        display(), tool->pid(), [](const WindowInfo& w) { return w.inTray && w.viewable; },
        kStartTimeout);
    ASSERT_TRUE(icon) << "no icon embedded in the notification area\n" << tool->log();
    ASSERT_TRUE(rampBecomes(keep(fullRange(), 20, 40, 20)));
    EXPECT_TRUE(holdsFor([&] { return !isMainWindowShown(display(), *tool); }, 300ms))
        << "the window is shown although a colour was stored";

    // Right button: the File menu; its second item turns the display to normal while the window
    // stays put away.
    ASSERT_TRUE(clickIcon(session(), *tool, 3));
    ASSERT_TRUE(waitUntil([&] { return isMenuOpen(display(), *tool); }, kStepTimeout))
        << "the File menu did not open";
    ASSERT_TRUE(session().xdotool({"key", "--delay", "50", "Down", "Down", "Return"}));
    EXPECT_TRUE(rampBecomes(fullRange()));
    EXPECT_TRUE(holdsFor([&] { return !isMainWindowShown(display(), *tool); }, 300ms))
        << "choosing normal mode from the menu showed the window";

    // Left button: the window comes back, and the icon stays.
    ASSERT_TRUE(clickIcon(session(), *tool, 1));
    const auto main = waitMainWindow(*tool, kStepTimeout);
    ASSERT_TRUE(main) << "a left click on the icon did not show the window";
    EXPECT_TRUE(trayIcon(display(), *tool));

    // Minimise, then leave through the menu's last item.
    ASSERT_TRUE(click(*main, layout::kMinimise));
    ASSERT_TRUE(waitUntil([&] { return !isMainWindowShown(display(), *tool); }, kStepTimeout));
    ASSERT_TRUE(clickIcon(session(), *tool, 3));
    ASSERT_TRUE(waitUntil([&] { return isMenuOpen(display(), *tool); }, kStepTimeout));
    ASSERT_TRUE(
        session().xdotool({"key", "--delay", "50", "Down", "Down", "Down", "Down", "Return"}));
    EXPECT_TRUE(exitsWith(*tool, 0));
    EXPECT_TRUE(rampBecomes(fullRange(), 0ms));
    EXPECT_EQ(session().readSettings(), "[Setting]\ncolor=65280\n");
}

// Put away by the minimise picture or by the window manager, the window must come back at the
// first left press on the icon, every time: the manager's iconify and the tool's own hiding must
// not leave the window in a state the restore cannot undo. The form's part (which press restores,
// what a minimise does) is checked without a desktop; a few rounds each way catch the race.
TEST_F(LifecycleE2e, IconRestoresTheWindowAfterEveryWayOfMinimising) {
    std::string why;
    ASSERT_TRUE(session().startOpenbox(why)) << why;
    ASSERT_TRUE(session().startTrayer(why)) << why;
    auto tool = session().startTool();
    ASSERT_TRUE(waitMainWindow(*tool)) << tool->log();

    const std::pair<const char*, std::function<bool(const WindowInfo&)>> ways[] = {
        {"minimise picture", [&](const WindowInfo& w) { return click(w, layout::kMinimise); }},
        {"window manager",
         [&](const WindowInfo& w) {
             return session().xdotool({"windowminimize", std::to_string(w.id)});
         }},
    };
    for (const auto& [how, minimise] : ways) {
        for (int round = 1; round <= 4; ++round) {
            SCOPED_TRACE(std::string(how) + ", round " + std::to_string(round));
            const auto main = waitMainWindow(*tool, kStepTimeout);
            ASSERT_TRUE(main);
            ASSERT_TRUE(minimise(*main));
            ASSERT_TRUE(waitUntil(
                [&] { return !isMainWindowShown(display(), *tool) && trayIcon(display(), *tool); },
                kStepTimeout))
                << "the window was not put into the notification area";
            std::this_thread::sleep_for(300ms);  // as a hand would, long after the hide
            ASSERT_TRUE(clickIcon(session(), *tool, 1));
            const auto back = waitForWindow(
                display(), tool->pid(),
                [](const WindowInfo& w) {
                    return w.viewable && w.width == layout::kMainWidth &&
                           w.height == layout::kMainHeight && w.wmState == kWmStateNormal;
                },
                kStepTimeout);
            ASSERT_TRUE(back) << "one left press on the icon did not bring the window back";
        }
    }
    const auto main = waitMainWindow(*tool, kStepTimeout);
    ASSERT_TRUE(main);
    ASSERT_TRUE(click(*main, layout::kClose));
    EXPECT_TRUE(exitsWith(*tool, 0));
}

TEST_F(LifecycleE2e, WithoutANotificationAreaTheWindowIsMinimisedNotLost) {
    session().writeSettings("[Setting]\ncolor=255\n");  // pure red
    std::string why;
    ASSERT_TRUE(session().startOpenbox(why)) << why;
    auto tool = session().startTool();

    const auto window = waitForWindow(
        display(), tool->pid(),
        [](const WindowInfo& w) {
            return w.width == layout::kMainWidth && w.height == layout::kMainHeight &&
                   w.wmState == kWmStateIconic;
        },
        kStartTimeout);
    ASSERT_TRUE(window) << "the main window is not iconic\n" << tool->log();
    ASSERT_TRUE(rampBecomes(keep(fullRange(), 40, 20, 20)));

    // As from a taskbar: the window manager brings it back.
    ASSERT_TRUE(session().xdotool({"windowactivate", std::to_string(window->id)}));
    EXPECT_TRUE(waitMainWindow(*tool, kStepTimeout))
        << "the minimised window could not be restored";
}

TEST_F(LifecycleE2e, SwitchOffAndOnRebuildsTheTintOnTheRampSeenAtTheSwitch) {
    std::string why;
    ASSERT_TRUE(session().startOpenbox(why)) << why;
    auto tool = session().startTool();
    const auto main = waitMainWindow(*tool);
    ASSERT_TRUE(main) << tool->log();
    ASSERT_TRUE(rampBecomes(defaultTint()));
    EXPECT_TRUE(waitUntil(
        [&] { return pixelIn(*main, layout::kSwitchLeft) == layout::kSwitchBlue; }, kStepTimeout))
        << "the switch does not show night mode";

    // Off: the ramp found at start comes back and is remembered again.
    ASSERT_TRUE(click(*main, layout::kKnobInNight));
    ASSERT_TRUE(rampBecomes(fullRange()));
    // The knob is redrawn only once the handler has returned, so the base has been read by now.
    ASSERT_TRUE(waitUntil(
        [&] { return pixelIn(*main, layout::kSwitchLeft) != layout::kSwitchBlue; }, kStepTimeout))
        << "the knob did not move to normal mode";

    // A ramp written by someone else meanwhile must not become the base of the next tint.
    session().setRamp(rampOf([](std::size_t i) { return static_cast<std::uint16_t>(i * 200); }));

    ASSERT_TRUE(click(*main, layout::kKnobInNormal));
    EXPECT_TRUE(rampBecomes(defaultTint(fullRange())));
    EXPECT_TRUE(waitUntil(
        [&] { return pixelIn(*main, layout::kSwitchLeft) == layout::kSwitchBlue; }, kStepTimeout))
        << "the knob did not move back to night mode";
}

struct SignalCase {
    int signo;
    const char* stored;  // settings file before the start, or nullptr for none
    int keepRed, keepGreen, keepBlue;
    const char* saved;
};

TEST_F(LifecycleE2e, TerminationSignalsUnloadNormally) {
    const SignalCase cases[] = {
        {SIGTERM, nullptr, 20, 30, 40, "[Setting]\ncolor=16744448\n"},
        {SIGINT, "[Setting]\ncolor=255\n", 40, 20, 20, "[Setting]\ncolor=255\n"},
        {SIGHUP, "[Setting]\ncolor=16711680\n", 20, 20, 40, "[Setting]\ncolor=16711680\n"},
    };
    for (const SignalCase& c : cases) {
        SCOPED_TRACE(strsignal(c.signo));
        session().setRamp(fullRange());
        if (c.stored != nullptr) {
            session().writeSettings(c.stored);
        }
        auto tool = session().startTool();
        ASSERT_TRUE(
            rampBecomes(keep(fullRange(), c.keepRed, c.keepGreen, c.keepBlue), kStartTimeout))
            << tool->log();
        // Until its handlers are in place a signal would end the tool the default way.
        ASSERT_TRUE(
            waitUntil([&] { return catchesSignals(tool->pid(), {c.signo}); }, kStepTimeout));
        tool->signal(c.signo);
        EXPECT_TRUE(exitsWith(*tool, 0));
        EXPECT_TRUE(rampBecomes(fullRange(), 0ms));
        EXPECT_EQ(session().readSettings(), c.saved);
    }
}

// A session bus that takes the connection and never answers holds up nothing: the start tints as
// usual and obeys a termination signal at once; after a few seconds one line says so and the
// window comes, and the tool runs on without the bus. A command says it could not be sent.
TEST_F(LifecycleE2e, ASessionBusThatNeverAnswersHoldsUpNothing) {
    const SilentBus bus(std::filesystem::path(session().settingsPath()).parent_path().string());
    ASSERT_TRUE(bus.listening());
    session().useSessionBus(QString::fromStdString(bus.address()));
    for (const bool firstRun : {false, true}) {
        SCOPED_TRACE(firstRun ? "first run, after the bus was given up"
                              : "stored colour, while the bus is asked");
        session().setRamp(fullRange());
        session().writeSettings(firstRun ? "" : "[Setting]\ncolor=255\n");
        auto tool = session().startTool();
        ASSERT_TRUE(
            rampBecomes(firstRun ? defaultTint() : keep(fullRange(), 40, 20, 20), kStartTimeout))
            << tool->log();
        if (firstRun) {
            // A command from a script cannot reach it either, and says so within five seconds.
            const CommandResult status =
                runCommand({DIMWARDEN_BINARY, "--status"}, session().environment(), 5s);
            EXPECT_EQ(status.status, 1) << status.output;
            EXPECT_EQ(dimwardenLines(status.output),
                      std::vector<std::string>{"dimwarden: the session bus takes connections but "
                                               "does not answer; nothing was sent"});
            EXPECT_TRUE(waitMainWindow(*tool, kStepTimeout)) << tool->log();
            EXPECT_EQ(dimwardenLines(tool->log()),
                      std::vector<std::string>{
                          "dimwarden: the session bus takes connections but does not answer; the "
                          "tool runs without it (no commands from scripts)"});
        }
        ASSERT_TRUE(
            waitUntil([&] { return catchesSignals(tool->pid(), {SIGTERM}); }, kStepTimeout));
        tool->signal(SIGTERM);
        EXPECT_TRUE(exitsWith(*tool, 0)) << tool->log();
        EXPECT_TRUE(rampBecomes(fullRange(), 0ms));
    }
}

// A session lost without an unload (the tool killed, the X server gone) keeps the colour of the
// last completed change: here one step down on the brightness bar of a first run.
TEST_F(LifecycleE2e, TheLastChangedColourSurvivesALostSession) {
    const std::string kept =
        "[Setting]\ncolor=" + std::to_string(tint::previewColor(39, 39, 39).value()) + "\n";
    struct Case {
        const char* name;
        int status;
        std::function<void(ChildProcess&, XvfbServer&)> lose;
    };
    const Case cases[] = {
        {"tool killed", 128 + SIGKILL,
         [](ChildProcess& tool, XvfbServer&) { tool.signal(SIGKILL); }},
        {"X server gone", 1, [](ChildProcess&, XvfbServer& xvfb) { xvfb.stop(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(session().settingsPath());
        // A server of the case's own, so that it can go while the session's folders stay.
        XvfbServer xvfb;
        ASSERT_TRUE(xvfb.running()) << xvfb.error();
        QProcessEnvironment env = session().environment();
        env.insert("DISPLAY", QString::fromStdString(xvfb.display()));
        ChildProcess tool({DIMWARDEN_BINARY}, env);
        std::optional<WindowInfo> w;
        ASSERT_TRUE(waitUntil(
            [&] {
                w = viewableWindow(xvfb.display(), tool.pid(), layout::kMainWidth,
                                   layout::kMainHeight);
                return w.has_value();
            },
            kStartTimeout))
            << tool.log();
        runCommand({"xdotool", "mousemove", std::to_string(w->x + 208), std::to_string(w->y + 140),
                    "click", "1"},
                   env);  // one step left on the brightness bar
        EXPECT_TRUE(waitUntil([&] { return session().readSettings() == kept; }, kStepTimeout))
            << session().readSettings();

        c.lose(tool, xvfb);
        EXPECT_TRUE(exitsWith(tool, c.status));
        EXPECT_EQ(session().readSettings(), kept);
    }
}

}  // namespace
}  // namespace e2e
