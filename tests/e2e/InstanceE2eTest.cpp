// One instance at a time: later starts end at once and touch nothing; a killed instance does not
// block the next one; a crowd of simultaneous starts leaves exactly one running.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <csignal>
#include <filesystem>
#include <fstream>

#include "support/E2eSupport.h"

// After every Qt header: Xlib's macros break Qt headers included later.
#include <X11/Xlib.h>

namespace e2e {
namespace {

using namespace std::chrono_literals;

using InstanceE2e = ToolTest;

GammaRamp foreignRamp() {
    return rampOf([](std::size_t i) { return static_cast<std::uint16_t>(i * 200); });
}

TEST_F(InstanceE2e, SecondStartEndsAtOnceAndAKilledFirstDoesNotBlockTheNext) {
    auto first = session().startTool();
    ASSERT_TRUE(waitMainWindow(*first)) << first->log();
    ASSERT_TRUE(rampBecomes(defaultTint()));

    // If the second start touched the display at all, this ramp would change.
    session().setRamp(foreignRamp());
    auto second = session().startTool();
    EXPECT_TRUE(exitsWith(*second, 0));
    EXPECT_EQ(dimwardenLines(second->log()),
              std::vector<std::string>{"dimwarden: already running on this display"});
    EXPECT_TRUE(rampBecomes(foreignRamp(), 0ms));
    EXPECT_FALSE(std::filesystem::exists(session().settingsPath()))
        << "the second start wrote the settings file";
    EXPECT_TRUE(first->running());

    // SIGKILL runs no unload: the tint and a lock file stay behind.
    first->kill();
    EXPECT_TRUE(rampBecomes(foreignRamp(), 0ms));
    session().setRamp(fullRange());
    auto third = session().startTool();
    EXPECT_TRUE(waitMainWindow(*third)) << third->log();
    EXPECT_TRUE(rampBecomes(defaultTint()));
}

// Another client that takes the instance's selection over is told once on stderr; the instance
// runs on but leaves the screen alone from then on, even at exit, and a later start still ends.
TEST_F(InstanceE2e, AnInstanceWhoseSelectionIsTakenLeavesTheScreenAlone) {
    auto first = session().startTool();
    ASSERT_TRUE(waitMainWindow(*first)) << first->log();
    ASSERT_TRUE(rampBecomes(defaultTint()));

    Display* x = XOpenDisplay(display().c_str());
    ASSERT_NE(x, nullptr);
    const Window owner = XCreateSimpleWindow(x, DefaultRootWindow(x), 0, 0, 1, 1, 0, 0, 0);
    XSetSelectionOwner(x, XInternAtom(x, "_DIMWARDEN_S0", False), owner, CurrentTime);
    XSync(x, False);
    const std::vector<std::string> said = {
        "dimwarden: another program has taken over this display from this instance; it no "
        "longer changes the screen"};
    EXPECT_TRUE(waitUntil([&] { return dimwardenLines(first->log()) == said; }, kStepTimeout))
        << first->log();

    auto second = session().startTool();
    EXPECT_TRUE(exitsWith(*second, 0));
    EXPECT_EQ(dimwardenLines(second->log()),
              std::vector<std::string>{"dimwarden: already running on this display"});

    session().setRamp(foreignRamp());
    ASSERT_TRUE(waitUntil([&] { return catchesSignals(first->pid(), {SIGTERM}); }, kStepTimeout));
    first->signal(SIGTERM);
    EXPECT_TRUE(exitsWith(*first, 0));
    EXPECT_TRUE(rampBecomes(foreignRamp(), 0ms));
    EXPECT_EQ(dimwardenLines(first->log()), said);
    XCloseDisplay(x);
}

TEST_F(InstanceE2e, TwentySimultaneousStartsLeaveExactlyOneRunning) {
    constexpr int kStarts = 20;
    std::vector<std::unique_ptr<ChildProcess>> tools;
    for (int i = 0; i < kStarts; ++i) {
        tools.push_back(session().startTool());
    }

    // Every start but one ends by itself; each process gets the full start-up allowance.
    const auto deadline = Clock::now() + kStartTimeout * 2;
    auto stillRunning = [&] {
        int n = 0;
        for (auto& t : tools) {
            n += t->running() ? 1 : 0;
        }
        return n;
    };
    waitUntil([&] { return stillRunning() <= 1; },
              std::chrono::duration_cast<milliseconds>(deadline - Clock::now()));
    ASSERT_EQ(stillRunning(), 1);

    ChildProcess* survivor = nullptr;
    for (auto& t : tools) {
        if (t->running()) {
            survivor = t.get();
        } else {
            EXPECT_TRUE(exitsWith(*t, 0));
        }
    }
    ASSERT_NE(survivor, nullptr);
    EXPECT_TRUE(waitMainWindow(*survivor)) << survivor->log();
    EXPECT_TRUE(rampBecomes(defaultTint()));
    // Nobody else took over later.
    EXPECT_TRUE(holdsFor([&] { return stillRunning() == 1 && survivor->running(); }, 300ms));
}

// The display alone decides: a lock file left in the runtime folder blocks nothing, and a start
// with a runtime folder of its own (another user, another login) still meets the running one.
TEST_F(InstanceE2e, TheDisplayDecidesNotTheRuntimeFolderOrALeftoverLockFile) {
    QTemporaryDir runtime;
    std::ofstream((runtime.path() + "/dimwarden.lock").toStdString()) << "";
    QProcessEnvironment env = session().environment();
    env.insert("XDG_RUNTIME_DIR", runtime.path());
    ChildProcess first({DIMWARDEN_BINARY}, env);
    ASSERT_TRUE(waitMainWindow(first)) << first.log();
    ASSERT_TRUE(rampBecomes(defaultTint()));

    session().setRamp(foreignRamp());
    auto second = session().startTool();
    EXPECT_TRUE(exitsWith(*second, 0));
    EXPECT_TRUE(rampBecomes(foreignRamp(), 0ms));
    EXPECT_TRUE(first.running());
}

}  // namespace
}  // namespace e2e
