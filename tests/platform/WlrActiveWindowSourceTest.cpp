#include "platform/wayland/WlrActiveWindowSource.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "support/FakeWlrCompositor.h"

namespace {

using Window = ActiveWindowSource::Window;

Window on(std::vector<std::string> outputs, bool fullscreen, std::string app = "mpv") {
    Window window{{std::move(app)}, fullscreen, {}};
    for (auto& output : outputs) {
        window.outputs.push_back({std::move(output), false});
    }
    return window;
}

// One window of another program through the states a user takes it through; after each step the
// source reports what the compositor said, and says it changed exactly once: a switch between two
// windows must not pass through "no window", which would flash the tint back for a moment.
TEST(WlrActiveWindowSource, FollowsTheActiveWindowThroughItsStatesAndOutputs) {
    FakeWlrCompositor compositor;
    ASSERT_FALSE(compositor.socket().empty());
    compositor.addOutput("HDMI-A-1", 256);
    compositor.addOutput("DP-1", 256);
    // Open and active before the tool starts: known at once.
    const int mpv = compositor.openWindow("mpv");
    compositor.setWindow(mpv, {.activated = true, .outputs = {"HDMI-A-1"}});

    WlrActiveWindowSource source(compositor.socket());
    EXPECT_EQ(source.unavailable(), "");
    EXPECT_EQ(source.active(), std::nullopt) << "nothing before start()";
    int changes = 0;
    source.onChanged = [&] { ++changes; };
    source.start();
    EXPECT_EQ(source.active(), on({"HDMI-A-1"}, false));
    EXPECT_EQ(changes, 1);

    int gimp = 0;
    const auto set = [&](int window, FakeWlrCompositor::WindowState state) {
        return [&compositor, window, state] { compositor.setWindow(window, state); };
    };
    const struct {
        const char* step;
        std::function<void()> act;
        std::optional<Window> expected;
    } steps[] = {
        {"full screen", set(mpv, {true, true, false, {"HDMI-A-1"}}), on({"HDMI-A-1"}, true)},
        {"spread onto a second output", set(mpv, {true, true, false, {"HDMI-A-1", "DP-1"}}),
         on({"HDMI-A-1", "DP-1"}, true)},
        {"moved off the first", set(mpv, {true, true, false, {"DP-1"}}), on({"DP-1"}, true)},
        {"minimised", set(mpv, {true, true, true, {"DP-1"}}), on({}, true)},
        {"another window activated",
         [&] {
             compositor.setWindow(mpv, {false, true, true, {"DP-1"}});
             gimp = compositor.openWindow("gimp");
             compositor.setWindow(gimp, {.activated = true, .outputs = {"HDMI-A-1"}});
         },
         on({"HDMI-A-1"}, false, "gimp")},
        {"its output unplugged", [&] { compositor.removeOutput("HDMI-A-1"); },
         on({}, false, "gimp")},
        {"closed, none active", [&] { compositor.closeWindow(gimp); }, std::nullopt},
        {"the first one back", set(mpv, {true, false, false, {"DP-1"}}), on({"DP-1"}, false)},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.step);
        const int before = changes;
        s.act();
        EXPECT_TRUE(FakeWlrCompositor::settle([&] { return source.active() == s.expected; }));
        EXPECT_EQ(changes, before + 1);
    }
    EXPECT_EQ(compositor.errors(), std::vector<std::string>{});
}

// GNOME and KDE offer no foreign-toplevel: the source says why and never reports a window.
TEST(WlrActiveWindowSource, SaysWhyItCannotFollowWindows) {
    FakeWlrCompositor withoutToplevels(/*offerGammaControl=*/true, /*offerToplevels=*/false);
    WlrActiveWindowSource source(withoutToplevels.socket());
    EXPECT_NE(source.unavailable().find("which window is active"), std::string::npos)
        << source.unavailable();
    source.start();
    EXPECT_EQ(source.active(), std::nullopt);
}

}  // namespace
