// The borderless windows under a real window manager: dragging the title strip, and choosing a
// colour in the picker from the first click to the next start.
#include <gtest/gtest.h>

#include "support/E2eSupport.h"

namespace e2e {
namespace {

using namespace std::chrono_literals;

using ChromeE2e = ToolTest;

std::optional<WindowInfo> viewablePicker(const std::string& display, const ChildProcess& tool) {
    return viewableWindow(display, tool.pid(), layout::kPickerWidth, layout::kPickerHeight);
}

// A left press at (x, y), a move by (dx, dy) and a release, with the pauses a window manager
// needs to take over the pointer.
std::vector<std::string> dragSteps(int x, int y, int dx, int dy) {
    return {"mousemove",
            std::to_string(x),
            std::to_string(y),
            "sleep",
            "0.2",
            "mousedown",
            "1",
            "sleep",
            "0.2",
            "mousemove",
            std::to_string(x + dx),
            std::to_string(y + dy),
            "sleep",
            "0.3",
            "mouseup",
            "1"};
}

// Which buttons drag is the form's and the view's to decide (their tests); here the window
// manager moves the window.
TEST_F(ChromeE2e, TitleStripDragMovesTheWindow) {
    std::string why;
    ASSERT_TRUE(session().startOpenbox(why)) << why;
    auto tool = session().startTool();
    const auto main = waitMainWindow(*tool);
    ASSERT_TRUE(main) << tool->log();

    const int x = main->x + layout::kTitleFree.first;
    const int y = main->y + layout::kTitleFree.second;
    ASSERT_TRUE(session().xdotool(dragSteps(x, y, 100, 60)));
    const auto moved = waitMainWindow(*tool, kStepTimeout);
    ASSERT_TRUE(moved);
    EXPECT_TRUE(waitUntil(
        [&] {
            const auto w = waitMainWindow(*tool, 0ms);
            return w && w->x == main->x + 100 && w->y == main->y + 60;
        },
        kStepTimeout))
        << "the window did not follow the pointer";
}

TEST_F(ChromeE2e, PickedColourTintsAtOnceTurnsNightModeOnAndIsAppliedNextTime) {
    std::string why;
    ASSERT_TRUE(session().startOpenbox(why)) << why;
    auto tool = session().startTool();
    const auto main = waitMainWindow(*tool);
    ASSERT_TRUE(main) << tool->log();
    ASSERT_TRUE(rampBecomes(defaultTint()));

    // Normal mode first, so that the confirm has something to switch.
    ASSERT_TRUE(click(*main, layout::kKnobInNight));
    ASSERT_TRUE(rampBecomes(fullRange()));
    ASSERT_TRUE(waitUntil(
        [&] { return pixelIn(*main, layout::kSwitchLeft) != layout::kSwitchBlue; }, kStepTimeout));

    ASSERT_TRUE(click(*main, layout::kColourSwatch));
    std::optional<WindowInfo> picker;
    ASSERT_TRUE(waitUntil([&] { return (picker = viewablePicker(display(), *tool)).has_value(); },
                          kStepTimeout))
        << "the picker did not open";
    EXPECT_LE(std::abs((2 * picker->x + picker->width) - (2 * main->x + main->width)), 2);
    EXPECT_LE(std::abs((2 * picker->y + picker->height) - (2 * main->y + main->height)), 2);

    // Swatch 39 is pure red: red kept, green and blue halved, on the base ramp given back at the
    // switch.
    ASSERT_TRUE(click(*picker, layout::pickerSwatchCentre(39)));
    EXPECT_TRUE(rampBecomes(keep(fullRange(), 40, 20, 20)));
    EXPECT_NE(pixelIn(*main, layout::kSwitchLeft), layout::kSwitchBlue)
        << "a swatch click alone switched night mode on";

    // The marker shows on the real screen (its drawing is checked in the view's own test).
    ASSERT_TRUE(waitUntil([&] { return pixelIn(*picker, layout::markerLeftEdge(39)) == 0x00A7D1u; },
                          kStepTimeout))
        << "no marker around the clicked swatch";

    // Confirm: the picker goes and night mode comes on with the picked colour.
    ASSERT_TRUE(click(*picker, layout::kPickerConfirm));
    EXPECT_TRUE(waitUntil([&] { return !viewablePicker(display(), *tool); }, kStepTimeout))
        << "the picker stayed open after the confirm";
    EXPECT_TRUE(waitUntil(
        [&] { return pixelIn(*main, layout::kSwitchLeft) == layout::kSwitchBlue; }, kStepTimeout))
        << "the confirm did not turn night mode on";
    EXPECT_TRUE(rampBecomes(keep(fullRange(), 40, 20, 20)));

    ASSERT_TRUE(click(*main, layout::kClose));
    EXPECT_TRUE(exitsWith(*tool, 0));
    EXPECT_TRUE(rampBecomes(fullRange(), 0ms));
    EXPECT_EQ(session().readSettings(), "[Setting]\ncolor=255\n");

    // The next start applies the picked colour to whatever ramp it finds.
    session().setRamp(fullRange());
    auto next = session().startTool();
    EXPECT_TRUE(rampBecomes(keep(fullRange(), 40, 20, 20), kStartTimeout)) << next->log();
}

}  // namespace
}  // namespace e2e
