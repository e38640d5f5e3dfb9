// The four sliders, the colour tint and the order in which they write ramps.
#include "MainWindowFixture.h"

#include "gamma/TintMapping.h"

namespace {

std::uint32_t bgr(int r, int g, int b) {
    return r | (g << 8) | (b << 16);
}

}  // namespace

TEST_F(MainWindowTest, BrightnessMoveAppliesItsOwnRampThenFollowsWithEachColourSlider) {
    w->SaveGamma();
    w->HScrollGreen->setValue(30);
    w->HScrollBlue->setValue(10);
    const std::size_t before = mp.display.applied.size();

    w->HScroll1->setValue(20);

    const std::vector<GammaRamp> expected = {
        tinted(startRamp, 20, 20, 20),  // the brightness handler's own ramp
        tinted(startRamp, 20, 30, 10),  // red follows
        tinted(startRamp, 20, 20, 10),  // green follows
        tinted(startRamp, 20, 20, 20),  // blue follows
    };
    EXPECT_EQ(appliedSince(before), expected);
    EXPECT_EQ(w->lbHval->Caption(), "20");
    EXPECT_EQ(w->lbRed->Caption(), "20");
    EXPECT_EQ(w->lbGreen->Caption(), "20");
    EXPECT_EQ(w->lbBlue->Caption(), "20");
    EXPECT_EQ(swatch(), bgr(128, 128, 128));
}

TEST_F(MainWindowTest, BrightnessToZeroHalvesEveryEntryAndBlackensTheSwatch) {
    w->SaveGamma();
    w->HScroll1->setValue(0);
    EXPECT_EQ(swatch(), 0u);
    EXPECT_TRUE(w->mnuNight->isChecked());
    EXPECT_FALSE(w->mnuNormal->isChecked());
    const GammaRamp last = mp.display.applied.back();
    for (std::size_t i = 0; i < GammaRamp::kWords; ++i) {
        ASSERT_EQ(last.words[i], ramp::rne(startRamp.words[i] / 2.0)) << "word " << i;
    }
}

TEST_F(MainWindowTest, BrightnessToWhereColourSlidersStandRunsNoColourHandler) {
    w->SaveGamma();
    for (QScrollBar* s : {w->HScrollRed, w->HScrollGreen, w->HScrollBlue}) {
        s->setValue(25);
    }
    w->picColor->setBackColor(0x123456);
    w->SetDefault();  // leaves Normal checked, so a colour handler would show in the marks
    const std::size_t before = mp.display.applied.size();

    w->HScroll1->setValue(25);

    EXPECT_EQ(appliedSince(before), std::vector<GammaRamp>{tinted(startRamp, 25, 25, 25)});
    EXPECT_EQ(swatch(), 0x123456u);
    EXPECT_TRUE(w->mnuNormal->isChecked());
}

TEST_F(MainWindowTest, OneStepBelowFullLeavesTheRampButStillUpdatesLabelSwatchAndMarks) {
    w->SaveGamma();
    w->SetDefault();
    w->SaveGamma();  // the start ramp, given back in normal mode, is read again
    const GammaRamp base = startRamp;

    w->HScrollRed->setValue(39);
    EXPECT_EQ(mp.display.applied.back(), base);
    EXPECT_EQ(w->lbRed->Caption(), "39");
    EXPECT_EQ(swatch(), bgr(249, 255, 255));
    EXPECT_TRUE(w->mnuNight->isChecked());

    w->HScroll1->setValue(39);
    EXPECT_EQ(mp.display.applied.back(), base);
    EXPECT_EQ(w->lbHval->Caption(), "39");
}

TEST_F(MainWindowTest, GreenAloneToTwentyScalesOnlyGreen) {
    w->SaveGamma();
    w->HScrollGreen->setValue(20);
    EXPECT_EQ(swatch(), bgr(255, 128, 255));
    const GammaRamp& last = mp.display.applied.back();
    EXPECT_EQ(last.channel(0)[200], startRamp.channel(0)[200]);
    EXPECT_EQ(last.channel(1)[200], ramp::rne(30 * (200 * 257) / 40.0));
    EXPECT_EQ(w->HScroll1->value(), 40);  // brightness keeps its value
    EXPECT_EQ(w->lbHval->Caption(), "0");
}

TEST_F(MainWindowTest, SlidersInNormalModeStillTintButLeaveTheSwitch) {
    ASSERT_TRUE(w->Form_Load());
    w->switchClick();  // to normal
    ASSERT_EQ(w->lbSwitch->Caption(), "OFF");
    w->HScrollBlue->setValue(10);
    EXPECT_EQ(mp.display.applied.back(),
              tinted(startRamp, w->HScrollRed->value(), w->HScrollGreen->value(), 10));
    EXPECT_TRUE(w->mnuNight->isChecked());
    EXPECT_EQ(w->lbSwitch->Caption(), "OFF");
    EXPECT_FALSE(w->isModeOn);
}

TEST_F(MainWindowTest, SetScreenByColorMovesSlidersThenAppliesTheExactColour) {
    w->SaveGamma();
    std::vector<std::uint32_t> swatchesSeen;
    // The handlers preview the quantised colour on the way; the swatch ends with the exact one.
    QObject::connect(w->HScrollBlue, &QScrollBar::valueChanged,
                     [&] { swatchesSeen.push_back(swatch()); });
    const std::size_t before = mp.display.applied.size();

    std::int32_t colour = 16 | (48 << 8) | (80 << 16);
    w->SetScreenByColor(colour);

    EXPECT_EQ(w->HScrollRed->value(), 2);
    EXPECT_EQ(w->HScrollGreen->value(), 8);
    EXPECT_EQ(w->HScrollBlue->value(), 12);
    ASSERT_EQ(swatchesSeen.size(), 1u);
    EXPECT_EQ(swatchesSeen[0], bgr(13, 51, 76));
    EXPECT_EQ(swatch(), static_cast<std::uint32_t>(colour));
    const std::vector<GammaRamp> expected = {
        tinted(startRamp, 2, 40, 40), tinted(startRamp, 2, 8, 40), tinted(startRamp, 2, 8, 12),
        tinted(startRamp, 2, 8, 12)};
    EXPECT_EQ(appliedSince(before), expected);
    EXPECT_TRUE(w->mnuNight->isChecked());
    EXPECT_FALSE(w->mnuNormal->isChecked());
    EXPECT_EQ(w->lbRed->Caption(), "2");
    EXPECT_EQ(w->lbBlue->Caption(), "12");
    EXPECT_EQ(w->HScroll1->value(), 40);
}

TEST_F(MainWindowTest, SetScreenByColorWorkedExamples) {
    mp.display.setTables(ramp::identity());
    w->SaveGamma();
    const GammaRamp id = ramp::identity();
    struct Case {
        int r, g, b, pR, pG, pB;
    };
    for (const Case c : {Case{0, 128, 255, 0, 20, 40}, Case{255, 128, 0, 40, 20, 0},
                         Case{255, 255, 255, 40, 40, 40}, Case{0, 0, 0, 0, 0, 0},
                         Case{16, 48, 80, 2, 8, 12}, Case{252, 253, 240, 39, 40, 38}}) {
        std::int32_t colour = static_cast<std::int32_t>(bgr(c.r, c.g, c.b));
        w->SetScreenByColor(colour);
        SCOPED_TRACE(::testing::Message() << c.r << "," << c.g << "," << c.b);
        EXPECT_EQ(w->HScrollRed->value(), c.pR);
        EXPECT_EQ(w->HScrollGreen->value(), c.pG);
        EXPECT_EQ(w->HScrollBlue->value(), c.pB);
        EXPECT_EQ(mp.display.applied.back(), tinted(id, c.pR, c.pG, c.pB));
        EXPECT_EQ(swatch(), bgr(c.r, c.g, c.b));
    }
    // The default colour on the identity: red halved, green three quarters, blue untouched.
    std::int32_t def = 0x00FF8000;
    w->SetScreenByColor(def);
    const GammaRamp& last = mp.display.applied.back();
    for (std::size_t i = 0; i < 256; ++i) {
        ASSERT_EQ(last.channel(0)[i], i * 128);
        ASSERT_EQ(last.channel(1)[i], i * 192);
        ASSERT_EQ(last.channel(2)[i], i * 256);
    }
}

TEST_F(MainWindowTest, SetScreenByColorOnSlidersAlreadyThereAppliesOnce) {
    w->SaveGamma();
    const std::size_t before = mp.display.applied.size();
    std::int32_t white = 0x00FFFFFF;
    w->SetScreenByColor(white);
    EXPECT_EQ(appliedSince(before), std::vector<GammaRamp>{startRamp});
    EXPECT_EQ(swatch(), 0x00FFFFFFu);
}

TEST_F(MainWindowTest, ColourWithTopByteSetKeepsEverySliderInRange) {
    w->SaveGamma();
    std::int32_t odd = static_cast<std::int32_t>(0x7F00FF00u);
    w->SetScreenByColor(odd);
    EXPECT_EQ(w->HScrollRed->value(), 0);
    EXPECT_EQ(w->HScrollGreen->value(), 40);
    EXPECT_EQ(w->HScrollBlue->value(), 0);
    EXPECT_EQ(mp.display.applied.back(), tinted(startRamp, 0, 40, 0));
    EXPECT_EQ(swatch(), 0x0000FF00u);
}

TEST(TintMapping, PositionAndPreviewTables) {
    struct Row {
        int component, position;
    };
    for (const Row r : {Row{0, 0}, Row{3, 0}, Row{4, 1}, Row{16, 2}, Row{48, 8}, Row{80, 12},
                        Row{112, 18}, Row{144, 22}, Row{176, 28}, Row{208, 32}, Row{240, 38},
                        Row{246, 38}, Row{247, 39}, Row{252, 39}, Row{253, 40}, Row{255, 40}}) {
        EXPECT_EQ(tint::positionOf(r.component), r.position) << "component " << r.component;
    }
    struct Preview {
        int position, component;
    };
    for (const Preview p : {Preview{0, 0}, Preview{1, 6}, Preview{4, 26}, Preview{10, 64},
                            Preview{12, 76}, Preview{20, 128}, Preview{28, 178}, Preview{36, 230},
                            Preview{39, 249}, Preview{40, 255}}) {
        EXPECT_EQ(tint::previewComponent(p.position), p.component) << "position " << p.position;
    }
}
