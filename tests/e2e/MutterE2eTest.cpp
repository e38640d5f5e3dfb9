// The whole tool on GNOME's compositor, headless. Its virtual monitor has no gamma table, so the
// tool must show its window, say why it cannot tint, and end cleanly when asked.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <csignal>

#include "support/E2eSupport.h"
#include "support/HeadlessMutter.h"
#include "support/PrivateBus.h"

namespace e2e {
namespace {

TEST(MutterE2e, OnHeadlessMutterTheWindowShowsAndTheRefusalIsSaid) {
    if (!PrivateBus::available() || !HeadlessMutter::available()) {
        GTEST_SKIP() << "dbus-daemon or mutter is not installed";
    }
    PrivateBus bus;
    ASSERT_TRUE(bus.running()) << bus.error().toStdString();
    HeadlessMutter mutter(bus.address());
    ASSERT_TRUE(mutter.running()) << mutter.error().toStdString();
    QTemporaryDir folder;
    QProcessEnvironment qenv = mutter.environment();
    useQtWayland(qenv);
    qenv.insert("XDG_CONFIG_HOME", folder.path());
    // The client's own protocol trace shows the compositor configuring the window and a buffer
    // attached to it, which is what a shown window is on Wayland.
    qenv.insert("WAYLAND_DEBUG", "client");
    ChildProcess tool({DIMWARDEN_BINARY}, qenv, folder.filePath("tool.log").toStdString());
    const auto logHas = [&](const char* text) {
        return tool.log().find(text) != std::string::npos;
    };
    EXPECT_TRUE(waitUntil(
        [&] {
            return logHas(
                "does not let programs change the screen's colours: GNOME's display "
                "service offers no gamma table");
        },
        kStartTimeout))
        << tool.log();
    EXPECT_TRUE(waitUntil([&] { return logHas("ack_configure(") && logHas(".attach(wl_buffer@"); },
                          kStepTimeout));
    EXPECT_TRUE(tool.running());

    tool.signal(SIGTERM);
    EXPECT_EQ(tool.waitExit(kStepTimeout), std::optional<int>(0));
}

}  // namespace
}  // namespace e2e
