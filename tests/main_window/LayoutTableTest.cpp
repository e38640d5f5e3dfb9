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
