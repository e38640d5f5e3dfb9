// The main window as drawn: colours at points where a layout fault would show.
#include <QImage>

#include "MainWindowFixture.h"

namespace {

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

}  // namespace

TEST_F(MainWindowTest, WindowIsTheDesignedSizeAndBorderless) {
    EXPECT_EQ(w->size(), QSize(537, 499));
    EXPECT_TRUE(w->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(w->windowTitle().isEmpty());
    EXPECT_EQ(w->lbTitle->Caption(), QStringLiteral("澄岚电脑夜间模式工具V5.0 [Dimwarden]"));
    EXPECT_EQ(w->mnuFile->title(), QStringLiteral("文件(File)"));
    EXPECT_TRUE(w->mnuNight->isChecked());
    EXPECT_TRUE(w->mnuNormal->isChecked());
    EXPECT_FALSE(w->mnuExit->isChecked());
    EXPECT_EQ(w->picColor->BackColor(), 0x00FF0000u);
    for (QScrollBar* s : {w->HScroll1, w->HScrollRed, w->HScrollGreen, w->HScrollBlue}) {
        EXPECT_EQ(s->minimum(), 0);
        EXPECT_EQ(s->maximum(), 40);
        EXPECT_EQ(s->value(), 40);
        EXPECT_FALSE(s->hasTracking());
    }
}

TEST_F(MainWindowTest, BandsTopBarAndBackgroundFillTheWholeWidth) {
    ASSERT_TRUE(w->Form_Load());
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
    ASSERT_TRUE(w->Form_Load());
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
            const QColor c = at(img, x, y);
            dark += (c.red() < 200 && c.red() == c.green() && c.green() == c.blue()) ? 1 : 0;
        }
    }
    EXPECT_GT(dark, 100);
}

TEST_F(MainWindowTest, NormalModeShowsTheKnobRightAndTheYellowLamp) {
    ASSERT_TRUE(w->Form_Load());
    w->switchClick();
    const QImage img = w->grab().toImage();
    EXPECT_EQ(at(img, 45, 470), kSwitch);  // knob at 600 twips = 40 px
    EXPECT_EQ(at(img, 30, 465), kBackground);
    EXPECT_GT(countColour(img, QRect(136, 396, 96, 96), QColor(224, 211, 11)), 50);
}

TEST_F(MainWindowTest, ValueLabelsKeepTheirLeftAndGrowToTheRight) {
    w->ensurePolished();  // labels fit their text from the polish before the first show on
    const int left = w->lbRed->x();
    const int narrow = w->lbRed->width();
    ASSERT_TRUE(w->Form_Load());  // red ends at 0, green at 20
    EXPECT_EQ(w->lbRed->x(), left);
    EXPECT_EQ(w->lbGreen->x(), left);
    EXPECT_EQ(w->lbRed->width(), narrow);
    EXPECT_GT(w->lbGreen->width(), narrow);
}
