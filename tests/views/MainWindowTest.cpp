// The Qt main window: controls built from the layout table, the custom controls as drawn, and
// every event reaching the form's handler.
#include <gtest/gtest.h>

#include <QAction>
#include <QImage>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTest>
#include <memory>

#include "gamma/RampMath.h"
#include "main_window/frmMain.h"
#include "schedule/Scheduler.h"
#include "support/MemoryPlatform.h"
#include "views/qt/Controls.h"
#include "views/qt/MainWindow.h"
#include "views/qt/Pictures.h"

namespace {

using Id = frmMainLayout::Id;
using Slider = frmMain::Slider;

QColor at(const QImage& img, int x, int y) {
    return img.pixelColor(x, y);
}

const QColor kTopBar(242, 242, 242);
const QColor kSetting(0, 167, 209);
const QColor kAdvanced(0, 147, 184);
const QColor kBackground(243, 249, 252);
const QColor kSwitch(56, 141, 243);

int countColour(const QImage& img, const QRect& area, const QColor& colour) {
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            n += img.pixelColor(x, y) == colour ? 1 : 0;
        }
    }
    return n;
}

void pointerMove(QWidget* w, QPointF at, Qt::MouseButtons buttons = Qt::NoButton) {
    QMouseEvent move(QEvent::MouseMove, at, w->mapToGlobal(at), Qt::NoButton, buttons,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(w, &move);
}

class MainWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        mp.display.setTables(ramp::identity());
        form = std::make_unique<frmMain>(mp.platform);
        w = std::make_unique<MainWindow>(*form);
    }

    template <class T = QWidget>
    T* c(Id id) const {
        return w->control<T>(id);
    }

    MemoryPlatform mp;
    std::unique_ptr<frmMain> form;
    std::unique_ptr<MainWindow> w;  // declared last: goes before the form it shows
};

}  // namespace

TEST_F(MainWindowTest, ControlsAreBuiltFromTheTable) {
    EXPECT_EQ(w->size(), QSize(537, 499));
    EXPECT_TRUE(w->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(c<Label>(Id::lbTitle)->Caption(),
              QStringLiteral("澄岚电脑夜间模式工具V5.0 [Dimwarden]"));
    EXPECT_EQ(w->windowTitle(), c<Label>(Id::lbTitle)->Caption());
    EXPECT_EQ(w->menu()->title(), QStringLiteral("文件(File)"));
    EXPECT_EQ(w->item(Id::mnuExit)->text(), QStringLiteral("退出程序(Exit)"));
    EXPECT_TRUE(w->item(Id::mnuNight)->isChecked());
    EXPECT_TRUE(w->item(Id::mnuNormal)->isChecked());
    EXPECT_FALSE(w->item(Id::mnuExit)->isChecked());
    EXPECT_EQ(c<PictureBox>(Id::picColor)->BackColor(), BgrColor(0x00FF0000));
    EXPECT_EQ(c(Id::picColor)->geometry(), QRect(208, 88, 281, 25));
    EXPECT_EQ(c(Id::picColor)->toolTip(), QStringLiteral("点击此处选择颜色 [Click to pick color]"));
    EXPECT_EQ(c(Id::lbWeibo)->cursor().shape(), Qt::PointingHandCursor);
    for (Slider s : frmMainLayout::kSliders) {
        const auto* bar = c<QScrollBar>(frmMainLayout::scrollBarOf(s));
        EXPECT_EQ(bar->minimum(), 0);
        EXPECT_EQ(bar->maximum(), 40);
        EXPECT_EQ(bar->value(), 40);
        EXPECT_FALSE(bar->hasTracking());
    }
    for (Id holder : {Id::picMiniNormal, Id::picMiniFocus, Id::picClsNormal, Id::picClsFocus}) {
        EXPECT_FALSE(c(holder)->isVisibleTo(w.get()));
    }
    EXPECT_EQ(c(Id::lbSwitch)->parentWidget(), c(Id::picSwitch));
}

TEST_F(MainWindowTest, BandsTopBarAndBackgroundFillTheWholeWidth) {
    ASSERT_TRUE(form->Form_Load());
    const QImage img = w->grab().toImage();
    ASSERT_EQ(img.size(), QSize(537, 499));

    EXPECT_EQ(at(img, 430, 5), kTopBar);
    EXPECT_EQ(at(img, 530, 50), kTopBar);
    // The top bar's last row is under the first band.
    EXPECT_EQ(at(img, 300, 63), kTopBar);
    EXPECT_EQ(at(img, 300, 64), kSetting);
    for (int x : {0, 536}) {
        EXPECT_EQ(at(img, x, 100), kSetting) << "x " << x;
        EXPECT_EQ(at(img, x, 300), kAdvanced) << "x " << x;
        EXPECT_EQ(at(img, x, 420), kBackground) << "x " << x;
    }
    // The picture holders never show, over the setting panel or anywhere.
    EXPECT_EQ(at(img, 300, 80), kSetting);
}

TEST_F(MainWindowTest, SwatchKnobLampAndCreditsDrawWhereDesigned) {
    ASSERT_TRUE(form->Form_Load());
    const QImage img = w->grab().toImage();

    // The swatch shows the tint inside its sunken edge.
    EXPECT_EQ(at(img, 475, 172), QColor(0, 128, 255));
    EXPECT_EQ(at(img, 200, 160), QColor(160, 160, 160));
    // The knob covers the track at its left end; the track's outline shows past the knob only.
    EXPECT_EQ(at(img, 70, 470), kSwitch);
    EXPECT_EQ(at(img, 111, 465), kSwitch);
    EXPECT_EQ(at(img, 100, 465), kBackground);
    // Night lamp in front: blue present, no yellow.
    const QRect lamp(136, 396, 96, 96);
    EXPECT_EQ(at(img, 137, 397), kBackground);
    EXPECT_GT(countColour(img, lamp, kSwitch), 50);
    EXPECT_EQ(countColour(img, lamp, QColor(224, 211, 11)), 0);
    // Grey text on the credit lines.
    int dark = 0;
    for (int y = 440; y < 480; ++y) {
        for (int x = 248; x < 450; ++x) {
            const QColor px = at(img, x, y);
            dark += (px.red() < 200 && px.red() == px.green() && px.green() == px.blue()) ? 1 : 0;
        }
    }
    EXPECT_GT(dark, 100);
}

TEST_F(MainWindowTest, NormalModeShowsTheKnobRightAndTheYellowLamp) {
    ASSERT_TRUE(form->Form_Load());
    form->switchClick();
    EXPECT_EQ(c<Label>(Id::lbSwitch)->Caption(), "OFF");
    EXPECT_FLOAT_EQ(c<Control>(Id::picSwitch)->Left(), 600);
    EXPECT_TRUE(c(Id::picLightNormal)->isVisibleTo(w.get()));
    EXPECT_FALSE(c(Id::picLightNight)->isVisibleTo(w.get()));
    EXPECT_TRUE(w->item(Id::mnuNormal)->isChecked());
    EXPECT_FALSE(w->item(Id::mnuNight)->isChecked());
    const QImage img = w->grab().toImage();
    EXPECT_EQ(at(img, 45, 470), kSwitch);  // knob at 600 twips = 40 px
    EXPECT_EQ(at(img, 30, 465), kBackground);
    EXPECT_GT(countColour(img, QRect(136, 396, 96, 96), QColor(224, 211, 11)), 50);
}

TEST_F(MainWindowTest, ValueLabelsKeepTheirLeftAndGrowToTheRight) {
    w->ensurePolished();  // labels fit their text from the polish before the first show on
    const int left = c(Id::lbRed)->x();
    const int narrow = c(Id::lbRed)->width();
    ASSERT_TRUE(form->Form_Load());  // red ends at 0, green at 20
    EXPECT_EQ(c<Label>(Id::lbGreen)->Caption(), "20");
    EXPECT_EQ(c(Id::lbRed)->x(), left);
    EXPECT_EQ(c(Id::lbGreen)->x(), left);
    EXPECT_EQ(c(Id::lbRed)->width(), narrow);
    EXPECT_GT(c(Id::lbGreen)->width(), narrow);
}

TEST_F(MainWindowTest, ClicksSlidersAndMenuItemsReachTheForm) {
    ASSERT_TRUE(form->Form_Load());
    w->show();
    QTest::mouseClick(c(Id::picSwitch), Qt::LeftButton, {}, QPoint(60, 20));
    EXPECT_FALSE(form->modeOn());
    QTest::mouseClick(c(Id::lbSwitch), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(form->modeOn());
    QTest::mouseClick(c(Id::picSwitch), Qt::RightButton, {}, QPoint(60, 20));
    EXPECT_TRUE(form->modeOn());

    c<QScrollBar>(Id::HScroll1)->setValue(20);  // as a completed drag reports it
    EXPECT_EQ(form->position(Slider::HScrollBlue), 20);
    EXPECT_EQ(c<QScrollBar>(Id::HScrollBlue)->value(), 20);
    EXPECT_EQ(c<Label>(Id::lbBlue)->Caption(), "20");

    w->item(Id::mnuNormal)->trigger();
    EXPECT_FALSE(form->modeOn());
    EXPECT_TRUE(w->item(Id::mnuNormal)->isChecked());
    w->item(Id::mnuNight)->trigger();
    EXPECT_TRUE(form->modeOn());
    EXPECT_FALSE(w->item(Id::mnuNormal)->isChecked());

    QTest::mouseClick(c(Id::picMini), Qt::LeftButton);
    EXPECT_FALSE(w->isVisible());
    mp.tray.fire(NotifyIcon::Click::RightPress);
    EXPECT_TRUE(w->menu()->isVisible());
    w->menu()->hide();
    mp.tray.fire(NotifyIcon::Click::LeftPress);
    EXPECT_TRUE(w->isVisible());

    w->item(Id::mnuExit)->trigger();
    EXPECT_TRUE(form->unloaded());
    EXPECT_FALSE(w->isVisible());
}

TEST_F(MainWindowTest, MinimisingThroughTheWindowManagerPutsTheWindowAway) {
    ASSERT_TRUE(form->Form_Load());
    form->showAfterLoad();
    w->setWindowState(Qt::WindowMinimized);  // as the window manager's iconify arrives
    EXPECT_FALSE(w->isVisible());
    EXPECT_TRUE(mp.tray.shown);

    mp.tray.hostPresent = false;  // no notification area: the window stays on the taskbar
    mp.tray.fire(NotifyIcon::Click::LeftPress);
    ASSERT_TRUE(w->isVisible());
    QTest::mouseClick(c(Id::picMini), Qt::LeftButton);
    EXPECT_TRUE(w->isVisible());
    EXPECT_TRUE(w->isMinimized());
}

TEST_F(MainWindowTest, PointerMovesChangeTheHoverLooks) {
    ASSERT_TRUE(form->Form_Load());
    w->show();
    const Pictures& pics = Pictures::get();
    pointerMove(c(Id::picCls), {10, 10});
    pointerMove(c(Id::picMini), {10, 10});
    EXPECT_EQ(c<PictureBox>(Id::picCls)->Picture().cacheKey(), pics.closeFocus.cacheKey());
    EXPECT_EQ(c<PictureBox>(Id::picMini)->Picture().cacheKey(), pics.miniFocus.cacheKey());
    pointerMove(c(Id::picTopbar), {100, 20});
    EXPECT_EQ(c<PictureBox>(Id::picCls)->Picture().cacheKey(), pics.closeNormal.cacheKey());
    EXPECT_EQ(c<PictureBox>(Id::picMini)->Picture().cacheKey(), pics.miniNormal.cacheKey());

    pointerMove(c(Id::lbWeibo), {10, 10});
    EXPECT_EQ(c<Label>(Id::lbWeibo)->ForeColor(), BgrColor(0x00F38D38));
    pointerMove(c(Id::picLightNight), {10, 10});  // another control leaves it blue
    EXPECT_TRUE(form->linkLit());
    pointerMove(w.get(), {500, 480});
    EXPECT_EQ(c<Label>(Id::lbWeibo)->ForeColor(), BgrColor(0x00808080));

    QTest::mouseClick(c(Id::lbWeibo), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(mp.url.opened, std::vector<std::string>{frmMain::kHelpUrl});
}

TEST_F(MainWindowTest, TitleStripPressesDragAndWithoutAWindowManagerTheWindowFollows) {
    w->show();
    QTest::mousePress(c(Id::lbTitle), Qt::RightButton, {}, QPoint(5, 5));
    EXPECT_EQ(mp.drag.calls, 0);
    QTest::mousePress(c(Id::lbTitle), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(mp.drag.calls, 1);
    EXPECT_EQ(mp.drag.window, static_cast<NativeWindow>(w->winId()));

    mp.drag.accept = false;
    const QPoint start = w->pos();
    QTest::mousePress(c(Id::picTopbar), Qt::LeftButton, {}, QPoint(100, 30));
    ASSERT_EQ(mp.drag.calls, 2);
    pointerMove(c(Id::picTopbar), {150, 60}, Qt::LeftButton);
    EXPECT_NE(w->pos(), start);
    QTest::mouseRelease(c(Id::picTopbar), Qt::LeftButton, {}, QPoint(150, 60));
    const QPoint after = w->pos();
    pointerMove(c(Id::picTopbar), {10, 10});
    EXPECT_EQ(w->pos(), after);
}

TEST_F(MainWindowTest, AMessageIsAWarningThatDoesNotBlock) {
    w->sayMessage("title", "what happened");
    const auto boxes = w->findChildren<QMessageBox*>();
    ASSERT_EQ(boxes.size(), 1);
    QCoreApplication::processEvents();  // shown from the event loop, above the window
    EXPECT_TRUE(boxes.front()->isVisible());
    EXPECT_FALSE(boxes.front()->isModal());
    EXPECT_EQ(boxes.front()->windowTitle(), "title");
    EXPECT_EQ(boxes.front()->text(), "what happened");
    EXPECT_EQ(boxes.front()->icon(), QMessageBox::Warning);
}

TEST_F(MainWindowTest, AutomaticItemIsGreyedUntilAScheduleIsSetAndFollowsTheForm) {
    QAction* automatic = w->item(Id::mnuAuto);
    EXPECT_EQ(automatic->text(), QStringLiteral("自动 [Automatic]"));
    EXPECT_TRUE(automatic->isCheckable());
    ASSERT_TRUE(form->Form_Load());
    EXPECT_FALSE(automatic->isEnabled());
    EXPECT_FALSE(automatic->isChecked());

    form->services().setSchedule(*schedule::parse("22:00-07:00").schedule);
    EXPECT_TRUE(automatic->isEnabled());
    EXPECT_TRUE(automatic->isChecked());
    // Qt's own toggle and the form's must not undo each other.
    automatic->trigger();
    EXPECT_FALSE(automatic->isChecked());
    EXPECT_FALSE(form->services().scheduler()->automatic());
    automatic->trigger();
    EXPECT_TRUE(automatic->isChecked());
    EXPECT_TRUE(form->services().scheduler()->automatic());
}

// The monitors submenu: above Exit, hidden with one lit output, and each item's trigger reaches
// the form, which the menu then shows.
TEST_F(MainWindowTest, MonitorsSubmenuSitsAboveExitAndFollowsTheForm) {
    const auto visibleTexts = [&] {
        QStringList texts;
        for (QAction* a : w->menu()->actions()) {
            if (a->isVisible()) {
                texts << a->text();
            }
        }
        return texts;
    };
    mp.display.add().setTables(ramp::identity());
    ASSERT_TRUE(form->Form_Load());
    EXPECT_EQ(visibleTexts(),
              (QStringList{"夜间模式(Night)", "正常模式(Normal)", "自动 [Automatic]",
                           "开机启动 [Start at login]", "显示器 [Monitors]", "退出程序(Exit)"}));
    QList<QAction*> items = w->monitorsMenu()->actions();
    ASSERT_EQ(items.size(), 2);
    EXPECT_EQ(items[1]->text(), QStringLiteral("MEM2"));
    EXPECT_TRUE(items[1]->isChecked());

    items[1]->trigger();
    EXPECT_FALSE(form->engine().tinted("MEM2"));
    items = w->monitorsMenu()->actions();
    ASSERT_EQ(items.size(), 2);
    EXPECT_TRUE(items[0]->isChecked());
    EXPECT_FALSE(items[1]->isChecked());

    mp.display.setActive(2, false);
    EXPECT_EQ(visibleTexts(),
              (QStringList{"夜间模式(Night)", "正常模式(Normal)", "自动 [Automatic]",
                           "开机启动 [Start at login]", "退出程序(Exit)"}));
    form->Unload();
}
