// The picker form with a main form as its owner, both over recording views and in-memory
// platform parts.
#include <gtest/gtest.h>

#include <memory>

#include "color_picker/core/Palette.h"
#include "color_picker/frmColor.h"
#include "gamma/RampMath.h"
#include "gamma/TintMapping.h"
#include "main_window/frmMain.h"
#include "support/MemoryPlatform.h"
#include "support/RecordingViews.h"

namespace {

constexpr BgrColor kDefaultColor{0x00FF8000};
constexpr BgrColor kRed{0x000000FF};

class PickerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        // An identity display (entry i = i * 256) makes every tint easy to read off the ramp.
        mp.display.setTables(ramp::identity());
        owner = std::make_unique<frmMain>(mp.platform);
        owner->attach(ownerView);
        ASSERT_TRUE(owner->Form_Load());
        picker = std::make_unique<frmColor>(*owner, mp.drag);
        picker->attach(view);
    }

    // The ramp an identity display gets for three slider positions.
    static GammaRamp tinted(int pR, int pG, int pB) {
        GammaRamp out;
        ramp::buildAdjusted(ramp::identity(), pR - 40, pG - 40, pB - 40, out);
        return out;
    }
    static GammaRamp tintedBy(BgrColor color) {
        const tint::Positions p = tint::positionsOf(color);
        return tinted(p.red, p.green, p.blue);
    }

    std::size_t rampsApplied() const { return mp.display.applied.size(); }

    MemoryPlatform mp;
    RecordingMainView ownerView;
    std::unique_ptr<frmMain> owner;
    RecordingColorView view;
    std::unique_ptr<frmColor> picker;
};

}  // namespace

TEST_F(PickerTest, LoadFitsTheWindowToItsOutlineAndLaysOutTheGrid) {
    ASSERT_FALSE(picker->loaded());
    picker->Form_Load();
    EXPECT_FLOAT_EQ(view.width, 6495);
    EXPECT_FLOAT_EQ(view.height, 3735);
    EXPECT_FLOAT_EQ(view.topBar.left, 15);
    EXPECT_FLOAT_EQ(view.topBar.top, 15);
    EXPECT_FLOAT_EQ(view.topBar.width, 6465);
    EXPECT_FLOAT_EQ(view.topBar.height, 975);
    EXPECT_FALSE(view.marker.has_value());

    palette::Grid asCreated;
    asCreated.fill({0, 0, 375, 375});
    const palette::Grid expected = palette::placeSwatches(asCreated, 975);
    for (int i = 0; i < palette::kSwatchCount; ++i) {
        const layout::TwipsRect& s = view.swatches[static_cast<std::size_t>(i)];
        EXPECT_EQ(s.left, expected[i].left) << "swatch " << i;
        EXPECT_EQ(s.top, expected[i].top) << "swatch " << i;
        EXPECT_EQ(s.width, 400.0f) << "swatch " << i;
        EXPECT_EQ(s.height, 400.0f) << "swatch " << i;
        EXPECT_EQ(view.colors[static_cast<std::size_t>(i)], palette::kColors[i]) << i;
    }
}

TEST_F(PickerTest, SwatchClickFramesItAndTintsWithItsColour) {
    picker->Form_Load();
    struct Case {
        int index;
        float markerLeft, markerTop;
    };
    for (const Case c : {Case{12, 5870, 1285}, Case{39, 170, 3010}, Case{0, 170, 1285},
                         Case{51, 5870, 3010}, Case{25, 5870, 1860}}) {
        picker->picPickColor_Click(static_cast<std::int16_t>(c.index));
        const BgrColor color = palette::kColors[c.index];
        const tint::Positions pos = tint::positionsOf(color);
        ASSERT_TRUE(view.marker.has_value()) << "swatch " << c.index;
        EXPECT_EQ(view.marker->left, c.markerLeft) << "swatch " << c.index;
        EXPECT_EQ(view.marker->top, c.markerTop) << "swatch " << c.index;
        EXPECT_EQ(view.marker->width, 450.0f) << "swatch " << c.index;
        EXPECT_EQ(owner->color(), color) << "swatch " << c.index;
        EXPECT_EQ(ownerView.color(), color) << "swatch " << c.index;
        EXPECT_EQ(owner->position(frmMain::Slider::HScrollRed), pos.red) << c.index;
        EXPECT_EQ(owner->position(frmMain::Slider::HScrollGreen), pos.green) << c.index;
        EXPECT_EQ(owner->position(frmMain::Slider::HScrollBlue), pos.blue) << c.index;
        EXPECT_EQ(mp.display.current(), tintedBy(color)) << "swatch " << c.index;
    }
    EXPECT_EQ(owner->color(), palette::kColors[25]);
}

TEST_F(PickerTest, SameSwatchTwiceTintsAgainWithTheSameRamp) {
    picker->Form_Load();
    picker->picPickColor_Click(30);
    const std::size_t n = rampsApplied();
    const GammaRamp first = mp.display.applied.back();
    picker->picPickColor_Click(30);
    // The sliders do not move, so only the final ramp is written.
    ASSERT_EQ(rampsApplied(), n + 1);
    EXPECT_EQ(mp.display.applied.back(), first);
    EXPECT_EQ(view.marker->left, 2100.0f - 30);  // row 2, column 4
    EXPECT_EQ(view.marker->top, 2465.0f - 30);
}

TEST_F(PickerTest, ColourChoiceFromNormalModeThroughTheMainWindowsSwatch) {
    owner->showAfterLoad();
    owner->switchClick();
    ASSERT_FALSE(owner->modeOn());

    ownerView.drivePicker = [&](frmColor& p, RecordingColorView& v) {
        EXPECT_TRUE(p.loaded());
        EXPECT_FALSE(v.marker.has_value());
        p.picPickColor_Click(39);
        EXPECT_EQ(owner->color(), kRed);
        EXPECT_EQ(owner->position(frmMain::Slider::HScrollRed), 40);
        EXPECT_EQ(owner->position(frmMain::Slider::HScrollGreen), 0);
        EXPECT_EQ(owner->position(frmMain::Slider::HScrollBlue), 0);
        const GammaRamp& last = mp.display.applied.back();
        for (std::size_t i : {1u, 2u, 127u, 255u}) {
            EXPECT_EQ(last.at(0, i), i * 256) << "red " << i;
            EXPECT_EQ(last.at(1, i), i * 128) << "green " << i;
            EXPECT_EQ(last.at(2, i), i * 128) << "blue " << i;
        }
        // The screen is tinted while the switch still says normal.
        EXPECT_FALSE(owner->modeOn());
        EXPECT_FALSE(ownerView.switchOn);

        const std::size_t n = rampsApplied();
        const GammaRamp tint = last;
        p.picCls_Click();
        EXPECT_FALSE(v.open);
        EXPECT_TRUE(owner->modeOn());
        EXPECT_TRUE(ownerView.switchOn);
        ASSERT_EQ(rampsApplied(), n + 1);
        EXPECT_EQ(mp.display.applied.back(), tint);
    };
    owner->lbSetting_Click();
    EXPECT_EQ(ownerView.pickersOpened, 1);

    // The next opening is built afresh: no marker, the same swatches.
    ownerView.drivePicker = [&](frmColor& p, RecordingColorView& v) {
        EXPECT_FALSE(p.marker().has_value());
        EXPECT_FALSE(v.marker.has_value());
        EXPECT_EQ(v.colors[39], kRed);
        EXPECT_EQ(v.swatches[39].left, 200.0f);
        EXPECT_EQ(v.swatches[39].top, 3040.0f);
    };
    owner->picColor_Click();
    EXPECT_EQ(ownerView.pickersOpened, 2);
    EXPECT_EQ(owner->color(), kRed);
}

TEST_F(PickerTest, ConfirmWithoutChoiceReappliesTheColourOnce) {
    ASSERT_TRUE(owner->modeOn());
    ASSERT_EQ(owner->color(), kDefaultColor);
    const std::size_t n = rampsApplied();
    ownerView.drivePicker = [](frmColor& p, RecordingColorView&) { p.picCls_Click(); };
    owner->picColor_Click();
    EXPECT_TRUE(owner->modeOn());
    ASSERT_EQ(rampsApplied(), n + 1);
    EXPECT_EQ(mp.display.applied.back(), tinted(0, 20, 40));
    EXPECT_EQ(owner->color(), kDefaultColor);
}

TEST_F(PickerTest, TheWindowManagersCloseLeavesModeAndLastTint) {
    owner->switchClick();
    ASSERT_FALSE(owner->modeOn());
    // The modal show returns without the confirm picture, as after the window manager's close.
    ownerView.drivePicker = [](frmColor& p, RecordingColorView&) { p.picPickColor_Click(39); };
    owner->picColor_Click();
    EXPECT_FALSE(owner->modeOn());
    EXPECT_FALSE(ownerView.switchOn);
    EXPECT_EQ(owner->color(), kRed);
    EXPECT_EQ(mp.display.current(), tinted(40, 0, 0));
}

TEST_F(PickerTest, OnlyTheLeftButtonStartsADrag) {
    picker->Form_Load();
    for (int button : {2, 4}) {
        picker->picTopbar_MouseDown(button);
        picker->lbTitle_MouseDown(button);
    }
    EXPECT_EQ(mp.drag.calls, 0);
    picker->picTopbar_MouseDown(1);
    picker->lbTitle_MouseDown(1);
    EXPECT_EQ(mp.drag.calls, 2);
    EXPECT_EQ(mp.drag.window, RecordingColorView::kId);
    EXPECT_EQ(view.follows, 0);
    mp.drag.accept = false;
    picker->lbTitle_MouseDown(1);
    EXPECT_EQ(view.follows, 1);
}

TEST_F(PickerTest, HoverPictureComesBackOnlyOverTheTopBar) {
    picker->Form_Load();
    EXPECT_FALSE(picker->confirmLit());
    picker->picCls_MouseMove();
    EXPECT_TRUE(view.confirmLit);
    picker->picPickColor_Click(5);
    EXPECT_TRUE(view.confirmLit);
    picker->picTopbar_MouseMove();
    EXPECT_FALSE(view.confirmLit);
    EXPECT_FALSE(picker->confirmLit());
}

TEST(PickerLayoutTable, LoadedPositionsTheEndToEndTestsAimAt) {
    const layout::PixelPoint confirm =
        layout::pixelCentre(frmColorLayout::inLoadedWindow(frmColorLayout::Id::picCls));
    EXPECT_EQ(confirm.x, 401);
    EXPECT_EQ(confirm.y, 25);
    const layout::PixelPoint first =
        layout::pixelCentre(frmColorLayout::inLoadedWindow(frmColorLayout::Id::picPickColor, 0));
    EXPECT_EQ(first.x, 27);  // a 400-twip square at 200, 1315
    EXPECT_EQ(first.y, 101);
    const frmColorLayout::Loaded l = frmColorLayout::loaded();
    EXPECT_EQ(layout::twipsToPixels(l.width), 433);
    EXPECT_EQ(layout::twipsToPixels(l.height), 249);
}
