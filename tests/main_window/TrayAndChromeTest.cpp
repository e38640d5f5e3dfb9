// The notification icon, minimising, the title strip and the link label.
#include <QTest>

#include "MainWindowFixture.h"

namespace {
constexpr std::uint32_t kGrey = 0x00808080;
constexpr std::uint32_t kBlue = 0x00F38D38;
}  // namespace

TEST_F(MainWindowTest, LeftPressOnTheIconRestoresAndNothingElseDoes) {
    storeColor("255");
    ASSERT_TRUE(w->Form_Load());
    ASSERT_FALSE(w->isVisible());

    for (NotifyIcon::Click click :
         {NotifyIcon::Click::DoubleClick, NotifyIcon::Click::MiddlePress}) {
        mp.tray.fire(click);
        EXPECT_FALSE(w->isVisible()) << "click " << static_cast<int>(click);
        EXPECT_FALSE(w->mnuFile->isVisible()) << "click " << static_cast<int>(click);
    }
    w->lbWeibo->setForeColor(kBlue);
    mp.tray.fire(NotifyIcon::Click::LeftPress);
    EXPECT_TRUE(w->isVisible());
    EXPECT_FALSE(w->isMinimized());
    EXPECT_TRUE(mp.tray.shown);  // the icon stays while the window is shown
    EXPECT_EQ(w->lbWeibo->ForeColor(), kGrey);
}

TEST_F(MainWindowTest, RightButtonOnTheIconOpensTheMenuWithoutShowingTheWindow) {
    storeColor("255");
    ASSERT_TRUE(w->Form_Load());
    mp.tray.fire(NotifyIcon::Click::RightPress);
    EXPECT_TRUE(w->mnuFile->isVisible());
    EXPECT_FALSE(w->isVisible());
    w->mnuFile->hide();

    w->mnuNormal->trigger();
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(mp.display.current(), startRamp);
}

TEST_F(MainWindowTest, IconEventsWhileShownOnlyResetTheLink) {
    ASSERT_TRUE(w->Form_Load());
    w->showAfterLoad();
    w->lbWeibo->setForeColor(kBlue);
    mp.tray.fire(NotifyIcon::Click::RightPress);
    EXPECT_FALSE(w->mnuFile->isVisible());
    EXPECT_EQ(w->lbWeibo->ForeColor(), kGrey);
}

TEST_F(MainWindowTest, MinimiseRestoreMinimiseKeepsOneIcon) {
    ASSERT_TRUE(w->Form_Load());
    w->showAfterLoad();
    w->picMini_Click();
    EXPECT_FALSE(w->isVisible());
    EXPECT_TRUE(mp.tray.shown);
    mp.tray.fire(NotifyIcon::Click::LeftPress);
    EXPECT_TRUE(w->isVisible());
    w->picMini_Click();
    EXPECT_FALSE(w->isVisible());
    EXPECT_TRUE(mp.tray.shown);
    EXPECT_EQ(mp.tray.removes, 0);
    EXPECT_EQ(w->picMini->Picture().toImage(), w->picMiniNormal->Picture().toImage());
}

TEST_F(MainWindowTest, WithoutANotificationAreaTheWindowGoesToTheTaskbarInstead) {
    mp.tray.hostPresent = false;
    storeColor("255");
    ASSERT_TRUE(w->Form_Load());
    w->showAfterLoad();
    EXPECT_TRUE(w->isVisible());
    EXPECT_TRUE(w->isMinimized());

    w->showNormal();
    w->picMini_Click();
    EXPECT_TRUE(w->isVisible());
    EXPECT_TRUE(w->isMinimized());
}

TEST_F(MainWindowTest, HoverPicturesSwapOnEnterAndResetOnlyOverTheTitleStrip) {
    ASSERT_TRUE(w->Form_Load());
    w->show();
    const QImage clsFocus = w->picClsFocus->Picture().toImage();
    const QImage clsNormal = w->picClsNormal->Picture().toImage();
    const QImage miniFocus = w->picMiniFocus->Picture().toImage();
    ASSERT_NE(clsFocus, clsNormal);

    QTest::mouseMove(w->picCls, QPoint(10, 10));
    emit w->picCls->MouseMove(0, 0, 150, 150);
    emit w->picMini->MouseMove(0, 0, 150, 150);
    EXPECT_EQ(w->picCls->Picture().toImage(), clsFocus);
    EXPECT_EQ(w->picMini->Picture().toImage(), miniFocus);

    w->Form_MouseMove();  // the window background resets nothing
    EXPECT_EQ(w->picCls->Picture().toImage(), clsFocus);

    emit w->picTopbar->MouseMove(0, 0, 1500, 300);
    EXPECT_EQ(w->picCls->Picture().toImage(), clsNormal);
    EXPECT_EQ(w->picMini->Picture().toImage(), w->picMiniNormal->Picture().toImage());
}

TEST_F(MainWindowTest, OnlyTheLeftButtonDragsByTheTitleStrip) {
    w->show();
    emit w->picTopbar->MouseDown(2, 0, 100, 100);
    emit w->lbTitle->MouseDown(4, 0, 100, 100);
    EXPECT_EQ(mp.drag.calls, 0);
    emit w->picTopbar->MouseDown(1, 0, 100, 100);
    emit w->lbTitle->MouseDown(1, 0, 100, 100);
    EXPECT_EQ(mp.drag.calls, 2);
}

TEST_F(MainWindowTest, WithoutAWindowManagerTheWindowFollowsThePointer) {
    mp.drag.accept = false;
    w->show();
    const QPoint start = w->pos();
    QTest::mousePress(w->picTopbar, Qt::LeftButton, {}, QPoint(100, 30));
    ASSERT_EQ(mp.drag.calls, 1);
    QMouseEvent move(QEvent::MouseMove, QPointF(150, 60),
                     w->picTopbar->mapToGlobal(QPointF(150, 60)), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(w->picTopbar, &move);
    EXPECT_NE(w->pos(), start);
    QTest::mouseRelease(w->picTopbar, Qt::LeftButton, {}, QPoint(150, 60));
    const QPoint after = w->pos();
    QMouseEvent free(QEvent::MouseMove, QPointF(10, 10), w->picTopbar->mapToGlobal(QPointF(10, 10)),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w->picTopbar, &free);
    EXPECT_EQ(w->pos(), after);
}

TEST_F(MainWindowTest, LinkTurnsBlueOverItselfGreyOverTheBackgroundAndOpensTheHelpPage) {
    ASSERT_TRUE(w->Form_Load());
    w->show();
    emit w->lbWeibo->MouseMove(0, 0, 10, 10);
    EXPECT_EQ(w->lbWeibo->ForeColor(), kBlue);
    emit w->picLightNight->MouseMove(0, 0, 10, 10);  // another control leaves it blue
    EXPECT_EQ(w->lbWeibo->ForeColor(), kBlue);
    QTest::mouseMove(w.get(), QPoint(500, 480));
    QMouseEvent bg(QEvent::MouseMove, QPointF(500, 480), w->mapToGlobal(QPointF(500, 480)),
                   Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w.get(), &bg);
    EXPECT_EQ(w->lbWeibo->ForeColor(), kGrey);

    QTest::mouseClick(w->lbWeibo, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(mp.url.opened, QStringList{QString::fromLatin1(frmMain::kHelpUrl)});
}
