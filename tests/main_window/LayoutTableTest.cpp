// The main window's layout table: what every view and the end-to-end tests read from it.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "main_window/frmMainLayout.h"

using frmMainLayout::Id;

TEST(MainLayoutTable, ParentsComeFirstAndNamesAreDistinct) {
    std::set<std::string> names;
    for (int i = 0; i < frmMainLayout::index(Id::Count); ++i) {
        const layout::Control& c = frmMainLayout::kControls[static_cast<std::size_t>(i)];
        EXPECT_LT(c.parent, i) << c.name;
        EXPECT_TRUE(names.insert(c.name).second) << c.name;
    }
    EXPECT_STREQ(frmMainLayout::kControls[frmMainLayout::index(Id::HScrollBlue)].name,
                 "HScrollBlue");
    EXPECT_STREQ(frmMainLayout::kControls[frmMainLayout::index(Id::mnuExit)].name, "mnuExit");
}

TEST(MainLayoutTable, KnobEndsAndPositionsInTheWindow) {
    EXPECT_FLOAT_EQ(frmMainLayout::knobLeft(true), 240);
    EXPECT_FLOAT_EQ(frmMainLayout::knobLeft(false), 600);  // flush with the track's right end
    const layout::TwipsRect swatch = frmMainLayout::inWindow(Id::picColor);
    EXPECT_FLOAT_EQ(swatch.left, 3000);  // through fraNormal at -120, 1080
    EXPECT_FLOAT_EQ(swatch.top, 2400);
    // Its caption sits inside its sunken edge.
    const layout::PixelRect caption = layout::toPixels(frmMainLayout::inWindow(Id::lbSetting));
    EXPECT_EQ(caption.left, 200 + 2 + 8);
    EXPECT_EQ(caption.top, 160 + 2 + 2);
    const layout::PixelPoint close = layout::pixelCentre(frmMainLayout::inWindow(Id::picCls));
    EXPECT_EQ(close.x, 504);
    EXPECT_EQ(close.y, 24);
    const layout::PixelRect window = layout::toPixels(frmMainLayout::kWindow.client);
    EXPECT_EQ(window.width, 537);
    EXPECT_EQ(window.height, 499);
}

// At other densities the window grows with the density, and controls that meet at 96 dpi still
// meet: each edge is scaled on its own, not each width.
TEST(MainLayoutTable, EdgesScaledAtOtherDensities) {
    struct Case {
        int dpi;
        int width;
        int height;
        int lefts[3];
        int widths[3];
    };
    const Case cases[] = {
        {96, 537, 499, {0, 25, 50}, {25, 25, 25}},
        {120, 671, 624, {0, 31, 63}, {31, 32, 31}},
        {144, 806, 749, {0, 38, 75}, {38, 37, 38}},
        {192, 1074, 998, {0, 50, 100}, {50, 50, 50}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.dpi);
        const layout::PixelRect window = layout::toPixels(frmMainLayout::kWindow.client, c.dpi);
        EXPECT_EQ(window.width, c.width);
        EXPECT_EQ(window.height, c.height);
        // Three swatches of 25 design pixels side by side.
        for (int i = 0; i < 3; ++i) {
            const layout::PixelRect r = layout::toPixels({375.0f * i, 0, 375, 375}, c.dpi);
            EXPECT_EQ(r.left, c.lefts[i]);
            EXPECT_EQ(r.width, c.widths[i]);
        }
    }
}
