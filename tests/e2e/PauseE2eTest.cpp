// The real binary pausing the tint for the active window under openbox: on Xvfb, a window made
// full screen and back and a listed application activated; on the dummy Xorg with two outputs,
// only the covered output paused, a ramp another program wrote put back once, and a fight left
// to the other program.
#include <algorithm>
#include <fstream>
#include <string>

#include "support/E2eSupport.h"
#include "support/XorgDummyServer.h"

namespace e2e {
namespace {

int linesWith(const std::string& log, const std::string& part) {
    const auto lines = dimwardenLines(log);
    return static_cast<int>(std::ranges::count_if(
        lines, [&](const std::string& l) { return l.find(part) != std::string::npos; }));
}

TEST_F(ToolTest, FullScreenWindowsAndListedApplicationsShowTheBase) {
    session().writeSettings("[Pause]\nfullscreen=1\napps=listed\n");
    std::string why;
    ASSERT_TRUE(session().startOpenbox(why)) << why;
    auto tool = session().startTool();
    ASSERT_TRUE(rampBecomes(defaultTint())) << tool->log();
    const auto env = session().environment();
    auto film = session().start({"xmessage", "-name", "film", "-geometry", "300x120+40+40", "f"},
                                "film.log");
    auto listed = session().start(
        {"xmessage", "-name", "listed", "-geometry", "300x120+400+40", "l"}, "listed.log");

    // Both windows managed first: a late one would take the focus from the film.
    ASSERT_TRUE(wmctrl(env, {"-r", "listed.Xmessage", "-b", "remove,fullscreen"}));
    ASSERT_TRUE(wmctrl(env, {"-a", "film.Xmessage"}));
    ASSERT_TRUE(wmctrl(env, {"-r", "film.Xmessage", "-b", "add,fullscreen"}));
    EXPECT_TRUE(rampBecomes(fullRange())) << "full screen";
    ASSERT_TRUE(wmctrl(env, {"-r", "film.Xmessage", "-b", "remove,fullscreen"}));
    EXPECT_TRUE(rampBecomes(defaultTint())) << "full screen left";
    ASSERT_TRUE(wmctrl(env, {"-a", "listed.Xmessage"}));
    EXPECT_TRUE(rampBecomes(fullRange())) << "a listed application";
    ASSERT_TRUE(wmctrl(env, {"-a", "film.Xmessage"}));
    EXPECT_TRUE(rampBecomes(defaultTint())) << "another application";
    EXPECT_TRUE(dimwardenLines(tool->log()).empty()) << tool->log();
}

TEST(PauseDummyXorgE2e, OnlyTheCoveredOutputPausesAndAnUndoneTintIsPutBackOnce) {
    if (const std::string why = XorgDummyServer::unavailable(); !why.empty()) {
        GTEST_SKIP() << why;
    }
    XorgDummyServer x;
    ASSERT_TRUE(x.running()) << x.error();
    ASSERT_TRUE(x.enable(1, 1024));
    x.setRamp(0, fullRange());
    x.setRamp(1, fullRange());
    const auto env = x.environment();
    ChildProcess openbox({"openbox", "--sm-disable"}, env, x.folder() + "/openbox.log");
    ASSERT_TRUE(waitForWindowManager(x.display()));
    { std::ofstream(x.configDir() + "/Dimwarden.ini") << "[Pause]\nfullscreen=1\n"; }
    ChildProcess tool({DIMWARDEN_BINARY}, env, x.folder() + "/tool.log");
    ASSERT_TRUE(outputHolds(x, 0, defaultTint(), kStartTimeout)) << tool.log();
    ASSERT_TRUE(outputHolds(x, 1, defaultTint())) << tool.log();
    ChildProcess left({"xmessage", "-name", "left", "-geometry", "300x120+40+40", "l"}, env,
                      x.folder() + "/left.log");
    ChildProcess right({"xmessage", "-name", "right", "-geometry", "300x120+1100+40", "r"}, env,
                       x.folder() + "/right.log");

    // Both windows managed first: a late one would take the focus from the full-screen one.
    ASSERT_TRUE(wmctrl(env, {"-r", "left.Xmessage", "-b", "remove,fullscreen"}));
    ASSERT_TRUE(wmctrl(env, {"-a", "right.Xmessage"}));
    ASSERT_TRUE(wmctrl(env, {"-r", "right.Xmessage", "-b", "add,fullscreen"}));
    EXPECT_TRUE(outputHolds(x, 1, fullRange())) << "the covered output";
    EXPECT_TRUE(outputHolds(x, 0, defaultTint())) << "the other output";
    ASSERT_TRUE(wmctrl(env, {"-a", "left.Xmessage"}));
    EXPECT_TRUE(outputHolds(x, 1, defaultTint())) << "another window active";

    // Another program writes DUMMY0: put back at the next window event, said once; the third
    // such write within ten seconds is left alone, and that is said once too.
    const GammaRamp theirs = keep(fullRange(), 30, 30, 30);
    const char* active[] = {"right.Xmessage", "left.Xmessage", "right.Xmessage"};
    for (int n = 0; n < 3; ++n) {
        SCOPED_TRACE("outside write " + std::to_string(n + 1));
        x.setRamp(0, theirs);
        ASSERT_TRUE(wmctrl(env, {"-a", active[n]}));
        EXPECT_TRUE(outputHolds(x, 0, n < 2 ? defaultTint() : theirs)) << tool.log();
    }
    // The third write shows at once, before the tool hears the window event: the notice is
    // waited for.
    EXPECT_TRUE(
        waitUntil([&] { return linesWith(tool.log(), "keeps changing the ramp of DUMMY0") > 0; },
                  kStepTimeout))
        << tool.log();
    EXPECT_EQ(linesWith(tool.log(), "changed the ramp of DUMMY0"), 1) << tool.log();
    EXPECT_EQ(linesWith(tool.log(), "keeps changing the ramp of DUMMY0"), 1) << tool.log();
    EXPECT_TRUE(outputHolds(x, 1, fullRange())) << "DUMMY1 paused under the full-screen window";
}

}  // namespace
}  // namespace e2e
