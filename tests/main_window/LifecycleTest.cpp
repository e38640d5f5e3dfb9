// Start, exit, the mode switch and the File menu.
#include <QMessageBox>
#include <sstream>
#include <string>
#include <vector>

#include "MainWindowFixture.h"

TEST_F(MainWindowTest, FirstRunShowsTheWindowWithTheDefaultTintAndNoIcon) {
    ASSERT_TRUE(w->Form_Load());
    w->showAfterLoad();

    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(mp.tray.adds, 0);
    EXPECT_TRUE(w->isModeOn);
    EXPECT_EQ(w->lbSwitch->Caption(), "ON");
    EXPECT_EQ(swatch(), 0x00FF8000u);
    EXPECT_EQ(mp.display.current(), tinted(startRamp, 0, 20, 40));
    EXPECT_EQ(w->lbRed->Caption(), "0");
    EXPECT_EQ(w->lbGreen->Caption(), "20");
    EXPECT_EQ(w->lbBlue->Caption(), "40");
    EXPECT_EQ(w->lbHval->Caption(), "40");
    EXPECT_EQ(w->HScroll1->value(), 40);
    EXPECT_TRUE(w->mnuNight->isChecked());
    EXPECT_FALSE(w->mnuNormal->isChecked());
    EXPECT_EQ(savedRamp(), startRamp);
}

TEST_F(MainWindowTest, StoredColourStartsPutAwayWithItsTint) {
    storeColor("255");
    ASSERT_TRUE(w->Form_Load());
    w->showAfterLoad();

    EXPECT_FALSE(w->isVisible());
    EXPECT_TRUE(mp.tray.shown);
    EXPECT_EQ(mp.tray.tip, QStringLiteral("澄岚电脑夜间模式工具"));
    EXPECT_EQ(swatch(), 0x000000FFu);
    EXPECT_EQ(mp.display.current(), tinted(startRamp, 40, 0, 0));
}

TEST_F(MainWindowTest, StoredGreyAlsoMovesTheBrightnessSlider) {
    storeColor("0");  // black: all three colour sliders end at 0
    ASSERT_TRUE(w->Form_Load());
    EXPECT_EQ(w->HScroll1->value(), 0);
    EXPECT_EQ(w->lbHval->Caption(), "0");
    EXPECT_EQ(mp.display.current(), tinted(startRamp, 0, 0, 0));
}

TEST_F(MainWindowTest, AnotherInstanceEndsTheLoadBeforeTouchingAnything) {
    mp.instance.other = true;
    EXPECT_FALSE(w->Form_Load());
    EXPECT_EQ(mp.profile.reads, 0);
    EXPECT_TRUE(mp.display.applied.empty());
    EXPECT_EQ(mp.tray.adds, 0);
}

TEST_F(MainWindowTest, UnloadGivesBackTheStartRampStoresTheColourAndRemovesTheIcon) {
    storeColor("65280");
    ASSERT_TRUE(w->Form_Load());
    w->Unload();
    w->Unload();  // a second request (signal after the menu, say) runs nothing more

    EXPECT_EQ(mp.display.applied.back(), startRamp);
    EXPECT_EQ(storedColor(), "65280");
    EXPECT_EQ(mp.profile.writes, 1);
    EXPECT_EQ(mp.tray.removes, 1);
    EXPECT_FALSE(mp.tray.shown);
    EXPECT_TRUE(w->mnuNormal->isChecked());
}

TEST_F(MainWindowTest, ClosePictureAndExitItemBothUnload) {
    ASSERT_TRUE(w->Form_Load());
    int unloads = 0;
    QObject::connect(w.get(), &frmMain::unloaded, [&] { ++unloads; });
    w->mnuExit->trigger();
    EXPECT_EQ(unloads, 1);
    EXPECT_EQ(storedColor(), "16744448");

    MainWindowTest::SetUp();
    ASSERT_TRUE(w->Form_Load());
    w->show();
    QObject::connect(w.get(), &frmMain::unloaded, [&] { ++unloads; });
    w->picCls_Click();
    EXPECT_EQ(unloads, 2);
    EXPECT_EQ(mp.display.applied.back(), startRamp);
}

TEST_F(MainWindowTest, SwitchOffGivesBackTheStartRampAndOnRebuildsTheTintOnIt) {
    ASSERT_TRUE(w->Form_Load());
    w->switchClick();
    EXPECT_FALSE(w->isModeOn);
    EXPECT_EQ(w->lbSwitch->Caption(), "OFF");
    EXPECT_FLOAT_EQ(w->picSwitch->Left(), 600);
    EXPECT_TRUE(w->picLightNormal->isVisibleTo(w.get()));
    EXPECT_FALSE(w->picLightNight->isVisibleTo(w.get()));
    EXPECT_EQ(mp.display.current(), startRamp);
    EXPECT_EQ(savedRamp(), startRamp);
    EXPECT_TRUE(w->mnuNormal->isChecked());

    w->switchClick();
    EXPECT_TRUE(w->isModeOn);
    EXPECT_EQ(w->lbSwitch->Caption(), "ON");
    EXPECT_FLOAT_EQ(w->picSwitch->Left(), 240);
    EXPECT_TRUE(w->picLightNight->isVisibleTo(w.get()));
    EXPECT_FALSE(w->picLightNormal->isVisibleTo(w.get()));
    EXPECT_EQ(mp.display.current(), tinted(startRamp, 0, 20, 40));
}

TEST_F(MainWindowTest, ClickingTheSwitchKnobOrItsTextToggles) {
    ASSERT_TRUE(w->Form_Load());
    w->show();
    QTest::mouseClick(w->picSwitch, Qt::LeftButton, {}, QPoint(60, 20));
    EXPECT_EQ(w->lbSwitch->Caption(), "OFF");
    QTest::mouseClick(w->lbSwitch, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(w->lbSwitch->Caption(), "ON");
    QTest::mouseClick(w->picSwitch, Qt::RightButton, {}, QPoint(60, 20));
    EXPECT_EQ(w->lbSwitch->Caption(), "ON");
}

TEST_F(MainWindowTest, MenuModesApplyAgainEvenWhenAlreadyInThatMode) {
    ASSERT_TRUE(w->Form_Load());
    std::size_t before = mp.display.applied.size();
    w->mnuNight->trigger();
    EXPECT_TRUE(w->isModeOn);
    EXPECT_EQ(w->lbSwitch->Caption(), "ON");
    EXPECT_GT(mp.display.applied.size(), before);
    EXPECT_EQ(mp.display.applied.back(), tinted(startRamp, 0, 20, 40));

    w->mnuNormal->trigger();
    EXPECT_EQ(w->lbSwitch->Caption(), "OFF");
    before = mp.display.applied.size();
    w->mnuNormal->trigger();
    EXPECT_EQ(w->lbSwitch->Caption(), "OFF");
    EXPECT_EQ(appliedSince(before), std::vector<GammaRamp>{startRamp});
    EXPECT_FALSE(w->isModeOn);
}

// A display that takes no ramp is said once, even with the window put away at load, and the
// tool runs on otherwise unchanged.
TEST_F(MainWindowTest, DisplayThatRefusesEverythingIsSaidOnceAndChangesNothingElse) {
    storeColor("255");
    mp.display.refuseRead = true;
    mp.display.refuseApply = true;
    mp.display.refusalText = "the display is made of paper";
    mp.profile.refuseWrite = true;
    testing::internal::CaptureStderr();
    ASSERT_TRUE(w->Form_Load());
    w->switchClick();
    w->switchClick();
    // Only the tool's own lines: the offscreen platform adds notes of its own.
    std::istringstream err(testing::internal::GetCapturedStderr());
    std::vector<std::string> ours;
    for (std::string line; std::getline(err, line);) {
        if (line.starts_with("dimwarden:")) {
            ours.push_back(line);
        }
    }
    EXPECT_EQ(ours, std::vector<std::string>{"dimwarden: this display does not let programs change "
                                             "the screen's colours: the display is made of paper"});
    const auto boxes = w->findChildren<QMessageBox*>();
    ASSERT_EQ(boxes.size(), 1);
    QCoreApplication::processEvents();  // the message is shown from the event loop
    EXPECT_TRUE(boxes.front()->isVisible());
    EXPECT_FALSE(w->isVisible());
    EXPECT_TRUE(
        boxes.front()->text().contains(QStringLiteral("[This display does not let programs "
                                                      "change the screen's colours: the "
                                                      "display is made of paper.]")));

    EXPECT_EQ(w->engine().output(MemoryDisplayGamma::kFirst), nullptr);
    EXPECT_EQ(w->HScrollGreen->value(), 0);
    w->Unload();
    EXPECT_TRUE(mp.display.applied.empty());
    EXPECT_EQ(mp.display.current(), startRamp);
}

TEST_F(MainWindowTest, DisplayThatTakesRampsSaysNothing) {
    testing::internal::CaptureStderr();
    ASSERT_TRUE(w->Form_Load());
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_TRUE(w->findChildren<QMessageBox*>().empty());
}

TEST_F(MainWindowTest, DisplayThatTakesRampsSaysItsNoticeOnce) {
    mp.display.noticeText = "another program writes the tables too";
    testing::internal::CaptureStderr();
    ASSERT_TRUE(w->Form_Load());
    w->switchClick();
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("dimwarden: another program writes the tables too\n"), std::string::npos);
    EXPECT_EQ(err.find("dimwarden:"), err.rfind("dimwarden:"));
    const auto boxes = w->findChildren<QMessageBox*>();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_TRUE(boxes.front()->text().endsWith("[Another program writes the tables too.]"));
}
