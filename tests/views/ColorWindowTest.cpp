// The Qt picker window over a Qt main window: controls built from the layout table, the modal
// loop, keys, the drawing of swatches and marker, and events reaching the form.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

#include "color_picker/core/Palette.h"
#include "color_picker/frmColor.h"
#include "gamma/RampMath.h"
#include "main_window/frmMain.h"
#include "support/MemoryPlatform.h"
#include "views/qt/ColorWindow.h"
#include "views/qt/Controls.h"
#include "views/qt/MainWindow.h"
#include "views/qt/Pictures.h"

namespace {

using Id = frmColorLayout::Id;
constexpr BgrColor kRed{0x000000FF};

void click(QWidget* w, Qt::MouseButton button = Qt::LeftButton) {
    QTest::mouseClick(w, button);
}

void pointerMove(QWidget* w) {
    const QPointF at(w->width() / 2.0, w->height() / 2.0);
    QMouseEvent move(QEvent::MouseMove, at, w->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(w, &move);
}

QColor pixelAt(const QImage& img, int x, int y) {
    return QColor(img.pixel(x, y));
}

class ColorWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        mp.display.setTables(ramp::identity());
        owner = std::make_unique<frmMain>(mp.platform);
        ownerWindow = std::make_unique<MainWindow>(*owner);
        ASSERT_TRUE(owner->Form_Load());
    }

    // Opens the picker the way the main window does, runs `drive` inside its modal loop, and
    // closes it if `drive` left it open, so a failing test never hangs.
    void openAndDrive(const std::function<void(ColorWindow&)>& drive) {
        bool ran = false;
        QTimer::singleShot(0, [&] {
            auto* p = qobject_cast<ColorWindow*>(QApplication::activeModalWidget());
            if (p == nullptr) {
                ADD_FAILURE() << "no picker open";
                return;
            }
            ran = true;
            drive(*p);
            if (p->isVisible()) {
                ADD_FAILURE() << "picker still open after the test's actions";
                p->reject();
            }
        });
        click(ownerWindow->control(frmMainLayout::Id::picColor));
        EXPECT_TRUE(ran);
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    }

    MemoryPlatform mp;
    std::unique_ptr<frmMain> owner;
    std::unique_ptr<MainWindow> ownerWindow;
};

}  // namespace

TEST_F(ColorWindowTest, CreatedFromTheTableThenFittedToItsOutlineByTheLoad) {
    frmColor form(*owner, mp.drag);
    ColorWindow p(ownerWindow.get(), form);
    EXPECT_EQ(p.size(), QSize(442, 254));
    EXPECT_EQ(p.control(Id::picTopbar)->geometry(), QRect(0, 0, 433, 65));
    EXPECT_EQ(p.control<Control>(Id::picPickColor, 51)->Width(), 375.0f);
    EXPECT_FALSE(p.control(Id::shpPick)->isVisibleTo(&p));
    EXPECT_EQ(p.control(Id::picCls)->toolTip(), QStringLiteral("确定[Confirm]"));

    form.Form_Load();
    EXPECT_EQ(p.size(), QSize(433, 249));
    EXPECT_EQ(p.control(Id::shpBack)->geometry(), p.rect());
    EXPECT_EQ(p.control(Id::picTopbar)->geometry(), QRect(1, 1, 431, 65));
    EXPECT_EQ(p.control(Id::picPickColor, 39)->geometry(), QRect(13, 203, 27, 27));
    EXPECT_EQ(p.control<PictureBox>(Id::picPickColor, 39)->BackColor(), kRed);
}

TEST_F(ColorWindowTest, ModalOverItsOwnerNoKeyClosesItAndTheConfirmPictureDoes) {
    owner->switchClick();
    openAndDrive([&](ColorWindow& p) {
        EXPECT_TRUE(p.isModal());
        EXPECT_EQ(p.parentWidget(), ownerWindow.get());
        EXPECT_TRUE(p.windowFlags() & Qt::FramelessWindowHint);
        const QPoint off = p.geometry().center() - ownerWindow->geometry().center();
        EXPECT_LE(off.manhattanLength(), 2);

        click(p.control(Id::picPickColor, 39));
        EXPECT_TRUE(p.control(Id::shpPick)->isVisible());
        EXPECT_EQ(owner->color(), kRed);
        for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space}) {
            QTest::keyClick(&p, key);
            EXPECT_TRUE(p.isVisible()) << "key " << key;
        }
        EXPECT_FALSE(owner->modeOn());
        click(p.control(Id::picCls));
        EXPECT_FALSE(p.isVisible());
    });
    EXPECT_TRUE(owner->modeOn());
    EXPECT_EQ(ownerWindow->control<PictureBox>(frmMainLayout::Id::picColor)->BackColor(), kRed);
}

TEST_F(ColorWindowTest, TheWindowManagersCloseEndsTheModalLoopAndLeavesTheMode) {
    owner->switchClick();
    openAndDrive([&](ColorWindow& p) {
        click(p.control(Id::picPickColor, 39));
        p.close();
    });
    EXPECT_FALSE(owner->modeOn());
    EXPECT_EQ(owner->color(), kRed);
}

TEST_F(ColorWindowTest, PressesAndPointerMovesReachTheForm) {
    frmColor form(*owner, mp.drag);
    ColorWindow p(ownerWindow.get(), form);
    form.Form_Load();
    for (QWidget* handle : {p.control(Id::picTopbar), p.control(Id::lbTitle)}) {
        for (Qt::MouseButton b : {Qt::RightButton, Qt::MiddleButton, Qt::LeftButton}) {
            QTest::mousePress(handle, b);
            QTest::mouseRelease(handle, b);
        }
    }
    EXPECT_EQ(mp.drag.calls, 2);
    EXPECT_EQ(mp.drag.window, static_cast<NativeWindow>(p.winId()));

    const Pictures& pics = Pictures::get();
    const auto picture = [&] { return p.control<PictureBox>(Id::picCls)->Picture().cacheKey(); };
    EXPECT_EQ(picture(), pics.closeNormal.cacheKey());
    pointerMove(p.control(Id::picCls));
    EXPECT_EQ(picture(), pics.closeFocus.cacheKey());
    pointerMove(p.control(Id::lbTitle));
    pointerMove(p.control(Id::picPickColor, 5));
    EXPECT_EQ(picture(), pics.closeFocus.cacheKey());
    pointerMove(p.control(Id::picTopbar));
    EXPECT_EQ(picture(), pics.closeNormal.cacheKey());
}

TEST_F(ColorWindowTest, DrawnSwatchesMarkerAndOutline) {
    openAndDrive([&](ColorWindow& p) {
        QImage img = p.grab().toImage();
        ASSERT_EQ(img.size(), QSize(433, 249));
        for (int i = 0; i < palette::kSwatchCount; ++i) {
            const QPoint c = p.control(Id::picPickColor, i)->geometry().center();
            EXPECT_EQ(pixelAt(img, c.x(), c.y()), fromBgr(palette::kColors[i])) << "swatch " << i;
        }
        const QColor black(0, 0, 0);
        for (const QPoint& edge : {QPoint(0, 0), QPoint(0, 124), QPoint(432, 124), QPoint(216, 0),
                                   QPoint(216, 248), QPoint(432, 248)}) {
            EXPECT_EQ(pixelAt(img, edge.x(), edge.y()), black) << edge.x() << "," << edge.y();
        }
        EXPECT_EQ(pixelAt(img, 1, 1), QColor(242, 242, 242));
        EXPECT_EQ(pixelAt(img, 216, 240), QColor(255, 255, 255));

        const QRect s = p.control(Id::picPickColor, 39)->geometry();
        EXPECT_EQ(pixelAt(img, s.left() - 1, s.top() - 1), QColor(255, 255, 255));
        click(p.control(Id::picPickColor, 39));
        img = p.grab().toImage();
        const QColor accent(0, 167, 209);
        EXPECT_EQ(pixelAt(img, s.left() - 1, s.top() - 1), accent);
        EXPECT_EQ(pixelAt(img, s.left() - 1, s.center().y()), accent);
        EXPECT_EQ(pixelAt(img, s.right() + 1, s.center().y()), accent);
        EXPECT_EQ(pixelAt(img, s.center().x(), s.bottom() + 1), accent);
        // The swatch covers the marker's middle.
        EXPECT_EQ(pixelAt(img, s.center().x(), s.center().y()), QColor(255, 0, 0));
        p.reject();
    });
}
