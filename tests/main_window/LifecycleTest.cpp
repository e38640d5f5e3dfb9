// Start, exit, the mode switch and the File menu.
#include <sstream>
#include <string>
#include <vector>

#include "MainFormFixture.h"

TEST_F(MainFormTest, FirstRunShowsTheWindowWithTheDefaultTintAndNoIcon) {
    ASSERT_TRUE(form->Form_Load());
    form->showAfterLoad();

    EXPECT_EQ(view.window, Window::Shown);
    EXPECT_TRUE(form->windowShown());
    EXPECT_EQ(mp.tray.adds, 0);
    EXPECT_TRUE(form->modeOn());
    EXPECT_TRUE(view.switchOn);
    EXPECT_EQ(swatch(), 0x00FF8000u);
    EXPECT_EQ(mp.display.current(), tinted(startRamp, 0, 20, 40));
    EXPECT_EQ(view.value(Slider::HScrollRed), 0);
    EXPECT_EQ(view.value(Slider::HScrollGreen), 20);
    EXPECT_EQ(view.value(Slider::HScrollBlue), 40);
    EXPECT_EQ(view.value(Slider::HScroll1), 40);
    EXPECT_EQ(form->position(Slider::HScroll1), 40);
    EXPECT_TRUE(view.nightChecked);
    EXPECT_FALSE(view.normalChecked);
    EXPECT_EQ(savedRamp(), startRamp);
}

TEST_F(MainFormTest, StoredColourStartsPutAwayWithItsTint) {
    storeColor("255");
    ASSERT_TRUE(form->Form_Load());
    form->showAfterLoad();

    EXPECT_EQ(view.window, Window::PutAway);
    EXPECT_EQ(view.calls, std::vector<std::string>{"putAway"});
    EXPECT_TRUE(mp.tray.shown);
    EXPECT_EQ(mp.tray.tip, "澄岚电脑夜间模式工具");
    EXPECT_EQ(swatch(), 0x000000FFu);
    EXPECT_EQ(mp.display.current(), tinted(startRamp, 40, 0, 0));
}

TEST_F(MainFormTest, StoredGreyAlsoMovesTheBrightnessSlider) {
    storeColor("0");  // black: all three colour sliders end at 0
    ASSERT_TRUE(form->Form_Load());
    EXPECT_EQ(view.slider(Slider::HScroll1), 0);
    EXPECT_EQ(view.value(Slider::HScroll1), 0);
    EXPECT_EQ(mp.display.current(), tinted(startRamp, 0, 0, 0));
}

TEST_F(MainFormTest, AnotherInstanceEndsTheLoadBeforeTouchingAnything) {
    mp.instance.other = true;
    EXPECT_FALSE(form->Form_Load());
    EXPECT_EQ(mp.profile.reads, 0);
    EXPECT_TRUE(mp.display.applied.empty());
    EXPECT_EQ(mp.tray.adds, 0);
    EXPECT_TRUE(view.calls.empty());
}

TEST_F(MainFormTest, UnloadGivesBackTheStartRampStoresTheColourAndRemovesTheIcon) {
    storeColor("65280");
    int unloads = 0;
    form->onUnloaded = [&] { ++unloads; };
    ASSERT_TRUE(form->Form_Load());
    form->Unload();
    form->Unload();  // a second request (signal after the menu, say) runs nothing more

    EXPECT_EQ(unloads, 1);
    EXPECT_EQ(view.window, Window::Closed);
    EXPECT_EQ(mp.display.applied.back(), startRamp);
    EXPECT_EQ(storedColor(), "65280");
    EXPECT_EQ(mp.profile.writes, 1);
    EXPECT_EQ(mp.tray.removes, 1);
    EXPECT_FALSE(mp.tray.shown);
    EXPECT_TRUE(view.normalChecked);
}

TEST_F(MainFormTest, ClosePictureAndExitItemBothUnload) {
    int unloads = 0;
    ASSERT_TRUE(form->Form_Load());
    form->onUnloaded = [&] { ++unloads; };
    form->mnuExit_Click();
    EXPECT_EQ(unloads, 1);
    EXPECT_EQ(storedColor(), "16744448");

    MainFormTest::SetUp();
    ASSERT_TRUE(form->Form_Load());
    form->onUnloaded = [&] { ++unloads; };
    form->picCls_Click();
    EXPECT_EQ(unloads, 2);
    EXPECT_EQ(mp.display.applied.back(), startRamp);
}

TEST_F(MainFormTest, SwitchOffGivesBackTheStartRampAndOnRebuildsTheTintOnIt) {
    ASSERT_TRUE(form->Form_Load());
    form->switchClick();
    EXPECT_FALSE(form->modeOn());
    EXPECT_FALSE(view.switchOn);
    EXPECT_EQ(mp.display.current(), startRamp);
    EXPECT_EQ(savedRamp(), startRamp);
    EXPECT_TRUE(view.normalChecked);

    form->lbSwitch_Click();
    EXPECT_TRUE(form->modeOn());
    EXPECT_TRUE(view.switchOn);
    EXPECT_EQ(mp.display.current(), tinted(startRamp, 0, 20, 40));
    form->picSwitch_Click();
    EXPECT_FALSE(view.switchOn);
}

TEST_F(MainFormTest, MenuModesApplyAgainEvenWhenAlreadyInThatMode) {
    ASSERT_TRUE(form->Form_Load());
    std::size_t before = mp.display.applied.size();
    form->mnuNight_Click();
    EXPECT_TRUE(form->modeOn());
    EXPECT_TRUE(view.switchOn);
    EXPECT_GT(mp.display.applied.size(), before);
    EXPECT_EQ(mp.display.applied.back(), tinted(startRamp, 0, 20, 40));

    form->mnuNormal_Click();
    EXPECT_FALSE(view.switchOn);
    before = mp.display.applied.size();
    form->mnuNormal_Click();
    EXPECT_FALSE(view.switchOn);
    EXPECT_EQ(appliedSince(before), std::vector<GammaRamp>{startRamp});
    EXPECT_FALSE(form->modeOn());
}

TEST_F(MainFormTest, ColourIsKeptOncePerCompletedChangeAndNotDuringTheLoad) {
    ASSERT_TRUE(form->Form_Load());
    EXPECT_EQ(mp.profile.writes, 0);
    form->moveSlider(Slider::HScroll1, 20);  // four handlers, one change
    EXPECT_EQ(mp.profile.writes, 1);
    EXPECT_EQ(storedColor(), std::to_string(bgr(128, 128, 128)));
    form->switchClick();  // the colour stays: nothing new to keep
    form->switchClick();
    EXPECT_EQ(mp.profile.writes, 1);
}

// A display that takes no ramp is said once, even with the window put away at load, and the
// tool runs on otherwise unchanged.
TEST_F(MainFormTest, DisplayThatRefusesEverythingIsSaidOnceAndChangesNothingElse) {
    storeColor("255");
    mp.display.refuseRead = true;
    mp.display.refuseApply = true;
    mp.display.refusalText = "the display is made of paper";
    mp.profile.refuseWrite = true;
    testing::internal::CaptureStderr();
    ASSERT_TRUE(form->Form_Load());
    form->switchClick();
    form->switchClick();
    std::istringstream err(testing::internal::GetCapturedStderr());
    std::vector<std::string> ours;
    for (std::string line; std::getline(err, line);) {
        if (line.starts_with("dimwarden:")) {
            ours.push_back(line);
        }
    }
    EXPECT_EQ(ours, std::vector<std::string>{"dimwarden: this display does not let programs change "
                                             "the screen's colours: the display is made of paper"});
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0].first, "澄岚电脑夜间模式工具V5.0 [Dimwarden]");
    EXPECT_NE(view.messages[0].second.find("[This display does not let programs change the "
                                           "screen's colours: the display is made of paper.]"),
              std::string::npos);
    EXPECT_EQ(view.window, Window::PutAway);

    EXPECT_EQ(form->engine().output(MemoryDisplayGamma::kFirst), nullptr);
    EXPECT_EQ(form->position(Slider::HScrollGreen), 0);
    form->Unload();
    EXPECT_TRUE(mp.display.applied.empty());
    EXPECT_EQ(mp.display.current(), startRamp);
}

TEST_F(MainFormTest, DisplayThatTakesRampsSaysNothing) {
    testing::internal::CaptureStderr();
    ASSERT_TRUE(form->Form_Load());
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_TRUE(view.messages.empty());
}

TEST_F(MainFormTest, DisplayThatTakesRampsSaysItsNoticeOnce) {
    mp.display.noticeText = "another program writes the tables too";
    testing::internal::CaptureStderr();
    ASSERT_TRUE(form->Form_Load());
    form->switchClick();
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("dimwarden: another program writes the tables too\n"), std::string::npos);
    EXPECT_EQ(err.find("dimwarden:"), err.rfind("dimwarden:"));
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_TRUE(view.messages[0].second.ends_with("[Another program writes the tables too.]"));
}

// Linux builds the window once the screen is tinted: a view attached after the load must end up
// showing what one attached before it shows, whatever the load did.
TEST(MainFormLateView, IsToldWhatTheLoadLeft) {
    struct Case {
        const char* name;
        const char* stored;  // the stored colour, or none: a first run
        bool trayHost;
        bool twoOutputs;
        bool refused;
    };
    const Case cases[] = {
        {"first run", nullptr, true, false, false},
        {"stored colour, notification area", "255", true, true, false},
        {"stored colour, no notification area", "65280", false, false, false},
        {"refused ramp", nullptr, true, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto run = [&c](bool late) {
            MemoryPlatform mp;
            if (c.twoOutputs) {
                mp.display.add();
            }
            mp.display.refuseApply = c.refused;
            mp.tray.hostPresent = c.trayHost;
            if (c.stored != nullptr) {
                mp.profile
                    .values[{settings::settingsFilePath(mp.settingsDir.dir), "Setting", "color"}] =
                    c.stored;
            }
            frmMain form(mp.platform);
            RecordingMainView view;
            if (!late) {
                form.attach(view);
            }
            EXPECT_TRUE(form.Form_Load());
            if (late) {
                form.attach(view);
            }
            form.showAfterLoad();
            form.detach();
            return view;
        };
        const RecordingMainView early = run(false);
        const RecordingMainView late = run(true);
        EXPECT_EQ(late.sliders, early.sliders);
        EXPECT_EQ(late.values, early.values);
        EXPECT_EQ(late.color(), early.color());
        EXPECT_EQ(late.switchOn, early.switchOn);
        EXPECT_EQ(late.nightChecked, early.nightChecked);
        EXPECT_EQ(late.normalChecked, early.normalChecked);
        EXPECT_EQ(late.automaticChecked, early.automaticChecked);
        EXPECT_EQ(late.automaticEnabled, early.automaticEnabled);
        EXPECT_EQ(late.monitors, early.monitors);
        EXPECT_EQ(late.window, early.window);
        EXPECT_EQ(late.calls, early.calls);
        EXPECT_EQ(late.messages, early.messages);
    }
}
