// The active window as openbox names it on a private Xvfb: application names, full screen and the
// output it covers, and the screen saver's end.
#include "platform/x11/X11ActiveWindowSource.h"

#include <gtest/gtest.h>

#include <QTest>
#include <string>

#include "platform/x11/X11DisplayGamma.h"
#include "support/ChildProcess.h"
#include "support/E2eSupport.h"

namespace {

using Window = ActiveWindowSource::Window;

TEST(X11ActiveWindowSource, FollowsTheActiveWindowThroughTheWindowManager) {
    e2e::Session session;
    ASSERT_TRUE(session.ready()) << session.error();
    std::string why;
    ASSERT_TRUE(session.startOpenbox(why)) << why;
    X11DisplayGamma gamma(session.display());
    const auto outputs = gamma.outputs();
    ASSERT_EQ(outputs.size(), 1u);
    const std::string screen = outputs.front().name;

    X11ActiveWindowSource source(session.display());
    ASSERT_EQ(source.unavailable(), "");
    int changes = 0;
    int wakes = 0;
    source.onChanged = [&] { ++changes; };
    source.onScreenWoke = [&] { ++wakes; };
    source.start();

    const auto client = session.start(
        {"xmessage", "-name", "pausetest", "-geometry", "300x120+40+40", "paused?"}, "xmessage");
    const auto wmctrl = [&](const std::vector<std::string>& args) {
        return e2e::wmctrl(session.environment(), args);
    };
    const auto becomes = [&](const Window& want) {
        return QTest::qWaitFor([&] { return source.active() == want; }, 10000);
    };
    const Window shown{{"pausetest", "Xmessage"}, false, {{screen, false}}};
    const Window fullscreen{{"pausetest", "Xmessage"}, true, {{screen, true}}};

    ASSERT_TRUE(wmctrl({"-a", "pausetest.Xmessage"}));
    EXPECT_TRUE(becomes(shown)) << "activated";
    EXPECT_TRUE(wmctrl({"-r", "pausetest.Xmessage", "-b", "add,fullscreen"}));
    EXPECT_TRUE(becomes(fullscreen)) << "made full screen";
    EXPECT_TRUE(wmctrl({"-r", "pausetest.Xmessage", "-b", "remove,fullscreen"}));
    EXPECT_TRUE(becomes(shown)) << "full screen left";
    EXPECT_TRUE(session.xdotool({"search", "--classname", "pausetest", "windowminimize"}));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            const auto w = source.active();
            return !w || w->outputs.empty();
        },
        10000))
        << "minimised";
    const int before = changes;
    EXPECT_GT(before, 0);

    EXPECT_EQ(runCommand({"xset", "s", "activate"}, session.environment()).status, 0);
    EXPECT_EQ(runCommand({"xset", "s", "reset"}, session.environment()).status, 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return wakes == 1; }, 10000)) << "the screen saver ended";

    client->kill();
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            const auto w = source.active();
            return !w || w->appNames != shown.appNames;
        },
        10000))
        << "closed";
}

}  // namespace
