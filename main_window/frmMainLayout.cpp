// The main window's controls as the window is created: geometry in twips, colours as 0x00BBGGRR.
#include <QPixmap>

#include "main_window/frmMain.h"
#include "widgets/Design.h"
#include "widgets/Pictures.h"

namespace {

using namespace design;

QScrollBar* makeSlider(QWidget* parent, const TwipsRect& rect) {
    auto* s = new QScrollBar(Qt::Horizontal, parent);
    s->setGeometry(toPixels(rect));
    s->setRange(0, 40);
    s->setSingleStep(1);
    s->setPageStep(1);
    s->setValue(40);
    // The value counts only when a move completes: no notifications while the thumb is dragged.
    s->setTracking(false);
    s->setAttribute(Qt::WA_NoMousePropagation);
    return s;
}

}  // namespace

void frmMain::createControls() {
    const Pictures& pics = Pictures::get();

    // Top bar.
    picTopbar = new PictureBox(this, {0, 0, 9015, 975}, kTopBar);
    lbTitle = new Label(picTopbar, {360, 240, 5775, 420},
                        QStringLiteral("澄岚电脑夜间模式工具V5.0 [Dimwarden]"),
                        designFont(k15_75pt, true), kAccent);
    picMini = new PictureBox(picTopbar, {6720, 120, 480, 480});
    picMini->setPicture(pics.miniNormal);
    picMini->setToolTip(QStringLiteral("最小化到托盘[Mini]"));
    picCls = new PictureBox(this, {7320, 120, 480, 480});
    picCls->setPicture(pics.closeNormal);
    picCls->setToolTip(QStringLiteral("退出程序[Exit]"));

    // Hidden holders of the two buttons' pictures.
    picMiniNormal = PictureBox::holder(this, {3360, 1080, 480, 480}, pics.miniNormal);
    picMiniFocus = PictureBox::holder(this, {4560, 1080, 480, 480}, pics.miniFocus);
    picClsNormal = PictureBox::holder(this, {3960, 1080, 480, 480}, pics.closeNormal);
    picClsFocus = PictureBox::holder(this, {5160, 1080, 480, 480}, pics.closeFocus);

    // Setting panel.
    Picture1 = new PictureBox(this, {-120, 960, 9135, 2055}, kAccent);
    fraNormal = new Frame(this, {-120, 1080, 9135, 2775}, kAccent);
    picSetting = new PictureBox(fraNormal, {240, 0, 720, 720});
    picSetting->setPicture(pics.settingBadge);
    lbNormal = new Label(fraNormal, {1080, 120, 1995, 315}, QStringLiteral("常规设置 [Setting]"),
                         designFont(k12pt, false), kWhite);
    Label1 = new Label(fraNormal, {480, 840, 2250, 285}, QStringLiteral("亮度调节模式[Brightness]"),
                       designFont(k9_75pt, false), kWhite);
    HScroll1 = makeSlider(fraNormal, {3120, 840, 4215, 375});
    lbHval = new Label(fraNormal, {7440, 720, 240, 525}, QStringLiteral("0"),
                       designFont(k20_25pt, false), kWhite);
    Label2 = new Label(fraNormal, {480, 1320, 2025, 285}, QStringLiteral("彩色调节模式[Colorful]"),
                       designFont(k9_75pt, false), kWhite);
    picColor = new PictureBox(fraNormal, {3120, 1320, 4215, 375}, kSwatchInitial);
    picColor->setSunken(true);
    picColor->setToolTip(QStringLiteral("点击此处选择颜色 [Click to pick color]"));
    lbSetting = new Label(picColor, {120, 35, 3195, 255},
                          QStringLiteral("点击此处选择颜色 [Click to pick color]"),
                          designFont(k9pt, false), kWhite);
    lbSetting->setToolTip(lbSetting->Caption());

    // Advanced panel.
    Picture2 = new PictureBox(this, {-600, 3120, 9615, 2775}, kAdvanced);
    fraAdvanced = new Frame(this, {-120, 3240, 8655, 2655}, kAdvanced);
    picAdvanced = new PictureBox(fraAdvanced, {240, 0, 720, 720});
    picAdvanced->setPicture(pics.advancedBadge);
    Label7 = new Label(fraAdvanced, {1080, 120, 2310, 315}, QStringLiteral("高级设置 [Advanced]"),
                       designFont(k12pt, false), kWhite);
    Label4 = new Label(fraAdvanced, {480, 840, 855, 285}, QStringLiteral("红色[Red]"),
                       designFont(k9_75pt, false), kWhite);
    HScrollRed = makeSlider(fraAdvanced, {1800, 840, 5535, 375});
    lbRed = new Label(fraAdvanced, {7440, 720, 240, 525}, QStringLiteral("0"),
                      designFont(k20_25pt, false), kWhite);
    Label6 = new Label(fraAdvanced, {480, 1440, 1065, 285}, QStringLiteral("绿色[Green]"),
                       designFont(k9_75pt, false), kWhite);
    HScrollGreen = makeSlider(fraAdvanced, {1800, 1440, 5535, 375});
    lbGreen = new Label(fraAdvanced, {7440, 1320, 240, 525}, QStringLiteral("0"),
                        designFont(k20_25pt, false), kWhite);
    Label8 = new Label(fraAdvanced, {480, 2040, 900, 285}, QStringLiteral("蓝色[Blue]"),
                       designFont(k9_75pt, false), kWhite);
    HScrollBlue = makeSlider(fraAdvanced, {1800, 2040, 5535, 375});
    lbBlue = new Label(fraAdvanced, {7440, 1920, 240, 525}, QStringLiteral("0"),
                       designFont(k20_25pt, false), kWhite);

    // Bottom area: the switch, the lamps and the credit lines.
    lbMode = new Label(this, {240, 6240, 1470, 330}, QStringLiteral("切换[Switch]"),
                       designFont(k12pt, true), kSwitchBlue);
    shpSwitch = new Shape(this, {240, 6720, 1455, 495}, kSwitchBlue, 3);
    picSwitch = new PictureBox(this, {240, 6720, 1095, 495}, kSwitchBlue);
    lbSwitch = new Label(picSwitch, {240, 45, 480, 390}, QStringLiteral("ON"),
                         designFont(k14_25pt, true), kWhite);
    picLightNight = new PictureBox(this, {2040, 5940, 1440, 1440});
    picLightNight->setPicture(pics.lampNight);
    picLightNormal = new PictureBox(this, {2040, 5940, 1440, 1440});
    picLightNormal->setPicture(pics.lampNormal);
    lbWeibo = new Label(this, {3720, 6240, 2025, 300}, QStringLiteral("使用说明 [Help page]"),
                        designFont(k11_25pt, false), kGrey);
    lbWeibo->setToolTip(QStringLiteral("打开使用说明网页 [Open the help page]"));
    lbWeibo->setCursor(Qt::PointingHandCursor);
    Label5 =
        new Label(this, {3720, 6600, 3150, 300}, QStringLiteral("邮箱: team@dimwarden.invalid"),
                  designFont(k11_25pt, false), kGrey);
    Label3 = new Label(this, {3720, 6960, 3210, 300},
                       QStringLiteral("Dimwarden 开发组 [Dimwarden team]"),
                       designFont(k11_25pt, false), kGrey);

    // Child windows in front, then the windowless labels and shapes drawn on the parent itself.
    stackFrontToBack({picMiniFocus, picClsFocus, picClsNormal, picMiniNormal, picLightNight,
                      picLightNormal, fraAdvanced, Picture2, picCls, fraNormal, picSwitch, Picture1,
                      picTopbar, lbMode, shpSwitch, lbWeibo, Label5, Label3});
    stackFrontToBack({picMini, lbTitle});
    stackFrontToBack({picAdvanced, HScrollBlue, HScrollGreen, HScrollRed, Label7, Label8, lbBlue,
                      Label6, lbGreen, Label4, lbRed});
    stackFrontToBack({picSetting, HScroll1, picColor, lbNormal, Label2, Label1, lbHval});
}

void frmMain::createMenu() {
    mnuFile = new QMenu(QStringLiteral("文件(File)"), this);
    mnuNight = mnuFile->addAction(QStringLiteral("夜间模式(Night)"));
    mnuNormal = mnuFile->addAction(QStringLiteral("正常模式(Normal)"));
    mnuExit = mnuFile->addAction(QStringLiteral("退出程序(Exit)"));
    for (QAction* a : {mnuNight, mnuNormal}) {
        a->setCheckable(true);
        a->setChecked(true);
    }
}
