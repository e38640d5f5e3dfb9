// The four sliders, the colour tint and the order in which they write ramps.
#include "MainFormFixture.h"
#include "gamma/TintMapping.h"

TEST_F(MainFormTest, BrightnessMoveAppliesItsOwnRampThenFollowsWithEachColourSlider) {
    form->SaveGamma();
    form->moveSlider(Slider::HScrollGreen, 30);
    form->moveSlider(Slider::HScrollBlue, 10);
    const std::size_t before = mp.display.applied.size();

    form->moveSlider(Slider::HScroll1, 20);

    const std::vector<GammaRamp> expected = {
        tinted(startRamp, 20, 20, 20),  // the brightness handler's own ramp
        tinted(startRamp, 20, 30, 10),  // red follows
        tinted(startRamp, 20, 20, 10),  // green follows
        tinted(startRamp, 20, 20, 20),  // blue follows
    };
    EXPECT_EQ(appliedSince(before), expected);
    for (Slider s : frmMainLayout::kSliders) {
        EXPECT_EQ(view.value(s), 20) << static_cast<int>(s);
        EXPECT_EQ(view.slider(s), 20) << static_cast<int>(s);
        EXPECT_EQ(form->position(s), 20) << static_cast<int>(s);
    }
    EXPECT_EQ(swatch(), bgr(128, 128, 128));
}

TEST_F(MainFormTest, BrightnessToZeroHalvesEveryEntryAndBlackensTheSwatch) {
    form->SaveGamma();
    form->moveSlider(Slider::HScroll1, 0);
    EXPECT_EQ(swatch(), 0u);
    EXPECT_TRUE(view.nightChecked);
    EXPECT_FALSE(view.normalChecked);
    const GammaRamp last = mp.display.applied.back();
    for (std::size_t i = 0; i < GammaRamp::kWords; ++i) {
        ASSERT_EQ(last.words[i], ramp::rne(startRamp.words[i] / 2.0)) << "word " << i;
    }
}

TEST_F(MainFormTest, BrightnessToWhereColourSlidersStandRunsNoColourHandler) {
    form->SaveGamma();
    for (Slider s : {Slider::HScrollRed, Slider::HScrollGreen, Slider::HScrollBlue}) {
        form->moveSlider(s, 25);
    }
    form->SetDefault();  // leaves Normal checked, so a colour handler would show in the marks
    const std::size_t before = mp.display.applied.size();
    const std::size_t coloursShown = view.colors.size();

    form->moveSlider(Slider::HScroll1, 25);

    EXPECT_EQ(appliedSince(before), std::vector<GammaRamp>{tinted(startRamp, 25, 25, 25)});
    EXPECT_EQ(view.colors.size(), coloursShown);
    EXPECT_TRUE(view.normalChecked);
}

TEST_F(MainFormTest, OneStepBelowFullLeavesTheRampButStillUpdatesLabelSwatchAndMarks) {
    form->SaveGamma();
    form->SetDefault();
    form->SaveGamma();  // the start ramp, given back in normal mode, is read again
    const GammaRamp base = startRamp;

    form->moveSlider(Slider::HScrollRed, 39);
    EXPECT_EQ(mp.display.applied.back(), base);
    EXPECT_EQ(view.value(Slider::HScrollRed), 39);
    EXPECT_EQ(swatch(), bgr(249, 255, 255));
    EXPECT_TRUE(view.nightChecked);

    form->moveSlider(Slider::HScroll1, 39);
    EXPECT_EQ(mp.display.applied.back(), base);
    EXPECT_EQ(view.value(Slider::HScroll1), 39);
}

TEST_F(MainFormTest, GreenAloneToTwentyScalesOnlyGreen) {
    form->SaveGamma();
    form->moveSlider(Slider::HScrollGreen, 20);
    EXPECT_EQ(swatch(), bgr(255, 128, 255));
    const GammaRamp& last = mp.display.applied.back();
    EXPECT_EQ(last.channel(0)[200], startRamp.channel(0)[200]);
    EXPECT_EQ(last.channel(1)[200], ramp::rne(30 * (200 * 257) / 40.0));
    EXPECT_EQ(form->position(Slider::HScroll1), 40);  // brightness keeps its value
    EXPECT_EQ(view.value(Slider::HScroll1), 0);
}

TEST_F(MainFormTest, AMoveToWhereASliderStandsRunsNothingAndMovesStayInRange) {
    form->SaveGamma();
    const std::size_t before = mp.display.applied.size();
    form->moveSlider(Slider::HScrollRed, 40);
    EXPECT_EQ(mp.display.applied.size(), before);
    form->moveSlider(Slider::HScrollRed, 99);
    EXPECT_EQ(mp.display.applied.size(), before);
    form->moveSlider(Slider::HScrollRed, -5);
    EXPECT_EQ(form->position(Slider::HScrollRed), 0);
    EXPECT_EQ(mp.display.applied.back(), tinted(startRamp, 0, 40, 40));
}

TEST_F(MainFormTest, SlidersInNormalModeStillTintButLeaveTheSwitch) {
    ASSERT_TRUE(form->Form_Load());
    form->switchClick();  // to normal
    ASSERT_FALSE(view.switchOn);
    form->moveSlider(Slider::HScrollBlue, 10);
    EXPECT_EQ(mp.display.applied.back(), tinted(startRamp, form->position(Slider::HScrollRed),
                                                form->position(Slider::HScrollGreen), 10));
    EXPECT_TRUE(view.nightChecked);
    EXPECT_FALSE(view.switchOn);
    EXPECT_FALSE(form->modeOn());
}

TEST_F(MainFormTest, SetScreenByColorMovesSlidersThenAppliesTheExactColour) {
    form->SaveGamma();
    const std::size_t before = mp.display.applied.size();

    const BgrColor colour = BgrColor::fromRgb(16, 48, 80);
    form->SetScreenByColor(colour);

    EXPECT_EQ(view.slider(Slider::HScrollRed), 2);
    EXPECT_EQ(view.slider(Slider::HScrollGreen), 8);
    EXPECT_EQ(view.slider(Slider::HScrollBlue), 12);
    // Each handler previews the quantised colour on the way; the swatch ends with the exact one.
    const std::vector<BgrColor> shown = {tint::previewColor(2, 40, 40),
                                         tint::previewColor(2, 8, 40),
                                         BgrColor::fromRgb(13, 51, 76), colour};
    EXPECT_EQ(view.colors, shown);
    EXPECT_EQ(swatch(), colour.value());
    const std::vector<GammaRamp> expected = {
        tinted(startRamp, 2, 40, 40), tinted(startRamp, 2, 8, 40), tinted(startRamp, 2, 8, 12),
        tinted(startRamp, 2, 8, 12)};
    EXPECT_EQ(appliedSince(before), expected);
    EXPECT_TRUE(view.nightChecked);
    EXPECT_FALSE(view.normalChecked);
    EXPECT_EQ(view.value(Slider::HScrollRed), 2);
    EXPECT_EQ(view.value(Slider::HScrollBlue), 12);
    EXPECT_EQ(form->position(Slider::HScroll1), 40);
}

TEST_F(MainFormTest, SetScreenByColorWorkedExamples) {
    mp.display.setTables(ramp::identity());
    form->SaveGamma();
    const GammaRamp id = ramp::identity();
    struct Case {
        int r, g, b, pR, pG, pB;
    };
    for (const Case c : {Case{0, 128, 255, 0, 20, 40}, Case{255, 128, 0, 40, 20, 0},
                         Case{255, 255, 255, 40, 40, 40}, Case{0, 0, 0, 0, 0, 0},
                         Case{16, 48, 80, 2, 8, 12}, Case{252, 253, 240, 39, 40, 38}}) {
        form->SetScreenByColor(BgrColor::fromRgb(c.r, c.g, c.b));
        SCOPED_TRACE(::testing::Message() << c.r << "," << c.g << "," << c.b);
        EXPECT_EQ(form->position(Slider::HScrollRed), c.pR);
        EXPECT_EQ(form->position(Slider::HScrollGreen), c.pG);
        EXPECT_EQ(form->position(Slider::HScrollBlue), c.pB);
        EXPECT_EQ(mp.display.applied.back(), tinted(id, c.pR, c.pG, c.pB));
        EXPECT_EQ(swatch(), bgr(c.r, c.g, c.b));
    }
}

TEST_F(MainFormTest, SetScreenByColorOnSlidersAlreadyThereAppliesOnce) {
    form->SaveGamma();
    const std::size_t before = mp.display.applied.size();
    form->SetScreenByColor(BgrColor(0x00FFFFFF));
    EXPECT_EQ(appliedSince(before), std::vector<GammaRamp>{startRamp});
    EXPECT_EQ(swatch(), 0x00FFFFFFu);
}

TEST_F(MainFormTest, ColourWithTopByteSetKeepsEverySliderInRange) {
    form->SaveGamma();
    form->SetScreenByColor(BgrColor(0x7F00FF00u));
    EXPECT_EQ(form->position(Slider::HScrollRed), 0);
    EXPECT_EQ(form->position(Slider::HScrollGreen), 40);
    EXPECT_EQ(form->position(Slider::HScrollBlue), 0);
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

TEST_F(MainFormTest, RestoreGammaWritesTheRememberedRampAndChangesNoControl) {
    ASSERT_TRUE(form->Form_Load());
    const std::size_t colours = view.colors.size();
    form->RestoreGamma();
    EXPECT_EQ(mp.display.applied.back(), startRamp);
    EXPECT_TRUE(view.switchOn);
    EXPECT_TRUE(view.nightChecked);
    EXPECT_EQ(view.colors.size(), colours);
    EXPECT_EQ(form->position(Slider::HScrollGreen), 20);
}
