// The picker window over a real main window whose platform parts live in memory.
#include <gtest/gtest.h>

#include <QImage>
#include <QMouseEvent>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

#include "color_picker/core/Palette.h"
#include "color_picker/frmColor.h"
#include "gamma/RampMath.h"
#include "gamma/TintMapping.h"
#include "main_window/frmMain.h"
#include "support/MemoryPlatform.h"
#include "widgets/Pictures.h"

namespace {

constexpr std::uint32_t kDefaultColor = 0x00FF8000;
constexpr std::uint32_t kRed = 0x000000FF;

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

class PickerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        // An identity display (entry i = i * 256) makes every tint easy to read off the ramp.
        mp.display.setTables(ramp::identity());
        owner = std::make_unique<frmMain>(mp.platform);
        ASSERT_TRUE(owner->Form_Load());
    }

    // A picker created, wired to the main window and loaded as an opening does, but outside the
    // modal loop.
    frmColor& createdPicker() {
        picker = std::make_unique<frmColor>(owner.get(), mp.drag);
        QObject::connect(picker.get(), &frmColor::SwatchPicked, owner.get(),
                         &frmMain::picker_SwatchPicked);
        QObject::connect(picker.get(), &frmColor::Confirmed, owner.get(),
                         &frmMain::picker_Confirmed);
        return *picker;
    }
    frmColor& loadedPicker() {
        createdPicker().Form_Load();
        return *picker;
    }

    // Opens the picker with `open` (by default the way the main window does), runs `drive` inside
    // its modal loop, and closes it if `drive` left it open, so a failing test never hangs.
    void openAndDrive(const std::function<void(frmColor&)>& drive,
                      const std::function<void()>& open = {}) {
        bool ran = false;
        QTimer::singleShot(0, [&] {
            frmColor* p = frmColor::current();
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
        if (open) {
            open();
        } else {
            owner->picColor_Click();
        }
        EXPECT_TRUE(ran);
        EXPECT_EQ(frmColor::current(), nullptr) << "the picker outlived its opening";
    }

    // The ramp an identity display gets for three slider positions.
    static GammaRamp tinted(int pR, int pG, int pB) {
        GammaRamp out;
        ramp::buildAdjusted(ramp::identity(), pR - 40, pG - 40, pB - 40, out);
        return out;
    }
    static GammaRamp tintedBy(std::uint32_t color) {
        const tint::Positions p = tint::positionsOf(static_cast<std::int32_t>(color));
        return tinted(p.red, p.green, p.blue);
    }

    std::size_t rampsApplied() const { return mp.display.applied.size(); }
    QString switchCaption() const { return owner->lbSwitch->Caption(); }

    MemoryPlatform mp;
    std::unique_ptr<frmMain> owner;
    std::unique_ptr<frmColor> picker;  // declared last: goes before the owner that parents it
};

}  // namespace

TEST_F(PickerTest, CreatedLayoutThenLoadFitsWindowToOutlineAndLaysOutGrid) {
    frmColor& p = createdPicker();
    EXPECT_EQ(p.size(), QSize(442, 254));
    EXPECT_EQ(p.picTopbar->geometry(), QRect(0, 0, 433, 65));
    for (const PictureBox* swatch : p.picPickColor) {
        EXPECT_EQ(swatch->Width(), 375.0f);
    }

    p.Form_Load();
    EXPECT_EQ(p.size(), QSize(433, 249));
    EXPECT_EQ(p.shpBack->geometry(), p.rect());
    EXPECT_EQ(p.picTopbar->geometry(), QRect(1, 1, 431, 65));
    EXPECT_FALSE(p.shpPick->isVisibleTo(&p));
    EXPECT_EQ(QPointF(p.shpPick->Left(), p.shpPick->Top()), QPointF(0, 3240));

    palette::Grid asCreated;
    asCreated.fill({0, 0, 375, 375});
    const palette::Grid expected = palette::placeSwatches(asCreated, 975);
    for (int i = 0; i < palette::kSwatchCount; ++i) {
        const PictureBox* s = p.picPickColor[i];
        EXPECT_EQ(s->Left(), expected[i].left) << "swatch " << i;
        EXPECT_EQ(s->Top(), expected[i].top) << "swatch " << i;
        EXPECT_EQ(s->Width(), 400.0f) << "swatch " << i;
        EXPECT_EQ(s->Height(), 400.0f) << "swatch " << i;
        EXPECT_EQ(s->BackColor(), palette::kColors[i]) << "swatch " << i;
    }
}

TEST_F(PickerTest, SwatchClickFramesItAndTintsWithItsColour) {
    frmColor& p = loadedPicker();
    struct Case {
        int index;
        float markerLeft, markerTop;
    };
    for (const Case c : {Case{12, 5870, 1285}, Case{39, 170, 3010}, Case{0, 170, 1285},
                         Case{51, 5870, 3010}, Case{25, 5870, 1860}}) {
        click(p.picPickColor[c.index]);
        const std::uint32_t color = palette::kColors[c.index];
        const tint::Positions pos = tint::positionsOf(static_cast<std::int32_t>(color));
        EXPECT_TRUE(p.shpPick->isVisibleTo(&p)) << "swatch " << c.index;
        EXPECT_EQ(p.shpPick->Left(), c.markerLeft) << "swatch " << c.index;
        EXPECT_EQ(p.shpPick->Top(), c.markerTop) << "swatch " << c.index;
        EXPECT_EQ(owner->picColor->BackColor(), color) << "swatch " << c.index;
        EXPECT_EQ(owner->HScrollRed->value(), pos.red) << "swatch " << c.index;
        EXPECT_EQ(owner->HScrollGreen->value(), pos.green) << "swatch " << c.index;
        EXPECT_EQ(owner->HScrollBlue->value(), pos.blue) << "swatch " << c.index;
        EXPECT_EQ(mp.display.current(), tintedBy(color)) << "swatch " << c.index;
    }
    EXPECT_EQ(owner->picColor->BackColor(), palette::kColors[25]);
}

TEST_F(PickerTest, SameSwatchTwiceTintsAgainWithTheSameRamp) {
    frmColor& p = loadedPicker();
    click(p.picPickColor[30]);
    const std::size_t n = rampsApplied();
    const GammaRamp first = mp.display.applied.back();
    click(p.picPickColor[30]);
    // The sliders do not move, so only the final ramp is written.
    ASSERT_EQ(rampsApplied(), n + 1);
    EXPECT_EQ(mp.display.applied.back(), first);
    EXPECT_EQ(p.shpPick->Left(), 2100.0f - 30);  // row 2, column 4
    EXPECT_EQ(p.shpPick->Top(), 2465.0f - 30);
}

TEST_F(PickerTest, ColourChoiceFromNormalModeThroughTheMainWindowsSwatch) {
    owner->showAfterLoad();
    owner->switchClick();
    ASSERT_FALSE(owner->isModeOn);
    ASSERT_EQ(switchCaption(), "OFF");

    openAndDrive(
        [&](frmColor& p) {
            EXPECT_TRUE(p.isModal());
            EXPECT_EQ(p.parentWidget(), owner.get());
            EXPECT_TRUE(p.windowFlags() & Qt::FramelessWindowHint);
            const QPoint off = p.geometry().center() - owner->geometry().center();
            EXPECT_LE(off.manhattanLength(), 2);
            EXPECT_FALSE(p.shpPick->isVisible());

            click(p.picPickColor[39]);
            EXPECT_EQ(owner->picColor->BackColor(), kRed);
            EXPECT_EQ(owner->HScrollRed->value(), 40);
            EXPECT_EQ(owner->HScrollGreen->value(), 0);
            EXPECT_EQ(owner->HScrollBlue->value(), 0);
            const GammaRamp& last = mp.display.applied.back();
            for (std::size_t i : {1u, 2u, 127u, 255u}) {
                EXPECT_EQ(last.at(0, i), i * 256) << "red " << i;
                EXPECT_EQ(last.at(1, i), i * 128) << "green " << i;
                EXPECT_EQ(last.at(2, i), i * 128) << "blue " << i;
            }
            // The screen is tinted while the switch still says normal.
            EXPECT_FALSE(owner->isModeOn);
            EXPECT_EQ(switchCaption(), "OFF");

            const std::size_t n = rampsApplied();
            const GammaRamp tint = last;
            click(p.picCls);
            EXPECT_FALSE(p.isVisible());
            EXPECT_TRUE(owner->isModeOn);
            EXPECT_EQ(switchCaption(), "ON");
            ASSERT_EQ(rampsApplied(), n + 1);
            EXPECT_EQ(mp.display.applied.back(), tint);
        },
        [&] { click(owner->picColor); });

    // The next opening is built afresh: no frame, the same swatches.
    openAndDrive([&](frmColor& p) {
        EXPECT_FALSE(p.shpPick->isVisible());
        EXPECT_EQ(p.picPickColor[39]->BackColor(), kRed);
        EXPECT_EQ(p.picPickColor[39]->Left(), 200.0f);
        EXPECT_EQ(p.picPickColor[39]->Top(), 3040.0f);
        p.reject();
    });
    EXPECT_EQ(owner->picColor->BackColor(), kRed);
}

TEST_F(PickerTest, ConfirmWithoutChoiceReappliesTheColourOnce) {
    ASSERT_TRUE(owner->isModeOn);
    ASSERT_EQ(owner->picColor->BackColor(), kDefaultColor);
    const std::size_t n = rampsApplied();
    openAndDrive([&](frmColor& p) { click(p.picCls); });
    EXPECT_TRUE(owner->isModeOn);
    EXPECT_EQ(switchCaption(), "ON");
    ASSERT_EQ(rampsApplied(), n + 1);
    EXPECT_EQ(mp.display.applied.back(), tinted(0, 20, 40));
    EXPECT_EQ(owner->picColor->BackColor(), kDefaultColor);
}

TEST_F(PickerTest, NoKeyClosesThePickerAndTheWindowManagersCloseLeavesModeAndLastTint) {
    owner->switchClick();
    ASSERT_FALSE(owner->isModeOn);
    openAndDrive([&](frmColor& p) {
        click(p.picPickColor[39]);
        for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space}) {
            QTest::keyClick(&p, key);
            EXPECT_TRUE(p.isVisible()) << "key " << key;
        }
        EXPECT_EQ(p.result(), 0);
        p.close();
        EXPECT_FALSE(p.isVisible());
    });
    EXPECT_FALSE(owner->isModeOn);
    EXPECT_EQ(switchCaption(), "OFF");
    EXPECT_EQ(owner->picColor->BackColor(), kRed);
    EXPECT_EQ(mp.display.current(), tinted(40, 0, 0));
}

TEST_F(PickerTest, OnlyTheLeftButtonStartsADrag) {
    frmColor& p = loadedPicker();
    for (QWidget* handle : {static_cast<QWidget*>(p.picTopbar), static_cast<QWidget*>(p.lbTitle)}) {
        for (Qt::MouseButton b : {Qt::RightButton, Qt::MiddleButton}) {
            QTest::mousePress(handle, b);
            QTest::mouseRelease(handle, b);
        }
    }
    EXPECT_EQ(mp.drag.calls, 0);
    QTest::mousePress(p.picTopbar, Qt::LeftButton);
    QTest::mouseRelease(p.picTopbar, Qt::LeftButton);
    EXPECT_EQ(mp.drag.calls, 1);
    QTest::mousePress(p.lbTitle, Qt::LeftButton);
    QTest::mouseRelease(p.lbTitle, Qt::LeftButton);
    EXPECT_EQ(mp.drag.calls, 2);
}

TEST_F(PickerTest, HoverPictureComesBackOnlyOverTheTopBar) {
    const Pictures& pics = Pictures::get();
    ASSERT_FALSE(pics.closeFocus.isNull());
    ASSERT_NE(pics.closeFocus.cacheKey(), pics.closeNormal.cacheKey());
    frmColor& p = loadedPicker();
    EXPECT_EQ(p.picCls->Picture().cacheKey(), pics.closeNormal.cacheKey());

    pointerMove(p.picCls);
    EXPECT_EQ(p.picCls->Picture().cacheKey(), pics.closeFocus.cacheKey());
    pointerMove(p.lbTitle);
    pointerMove(p.picPickColor[5]);
    EXPECT_EQ(p.picCls->Picture().cacheKey(), pics.closeFocus.cacheKey());
    pointerMove(p.picTopbar);
    EXPECT_EQ(p.picCls->Picture().cacheKey(), pics.closeNormal.cacheKey());
}

TEST_F(PickerTest, DrawnSwatchesMarkerAndOutline) {
    openAndDrive([&](frmColor& p) {
        QImage img = p.grab().toImage();
        ASSERT_EQ(img.size(), QSize(433, 249));
        for (int i = 0; i < palette::kSwatchCount; ++i) {
            const QPoint c = p.picPickColor[i]->geometry().center();
            EXPECT_EQ(pixelAt(img, c.x(), c.y()), fromBgr(palette::kColors[i])) << "swatch " << i;
        }
        const QColor black(0, 0, 0);
        for (const QPoint& edge : {QPoint(0, 0), QPoint(0, 124), QPoint(432, 124), QPoint(216, 0),
                                   QPoint(216, 248), QPoint(432, 248)}) {
            EXPECT_EQ(pixelAt(img, edge.x(), edge.y()), black) << edge.x() << "," << edge.y();
        }
        EXPECT_EQ(pixelAt(img, 1, 1), QColor(242, 242, 242));
        EXPECT_EQ(pixelAt(img, 216, 240), QColor(255, 255, 255));

        const QRect s = p.picPickColor[39]->geometry();
        EXPECT_EQ(pixelAt(img, s.left() - 1, s.top() - 1), QColor(255, 255, 255));
        click(p.picPickColor[39]);
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
