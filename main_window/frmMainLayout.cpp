// The main window as it is created: geometry in twips, every control with its parent, look, text
// and place in the stacking order.
#include "main_window/frmMainLayout.h"

#include "forms/Design.h"

namespace frmMainLayout {

namespace {

using namespace design;
using layout::Control;
using layout::Font;
using layout::Kind;
using layout::Picture;
using layout::TwipsRect;
constexpr int kForm = layout::kWindow;

constexpr int in(Id id) {
    return index(id);
}

constexpr Control picture(const char* name, int parent, TwipsRect rect, BgrColor back, int stack,
                          Picture pic = Picture::None, const char* tip = nullptr) {
    return {.name = name,
            .kind = Kind::PictureBox,
            .parent = parent,
            .rect = rect,
            .back = back,
            .picture = pic,
            .toolTip = tip,
            .stack = stack};
}
// A hidden box that only keeps a picture for a button to copy.
constexpr Control holder(const char* name, TwipsRect rect, Picture pic, int stack) {
    return {.name = name,
            .kind = Kind::PictureBox,
            .parent = kForm,
            .rect = rect,
            .back = kWhite,
            .picture = pic,
            .visible = false,
            .stack = stack};
}
constexpr Control label(const char* name, int parent, TwipsRect rect, const char* text, Font font,
                        BgrColor fore, int stack) {
    return {.name = name,
            .kind = Kind::Label,
            .parent = parent,
            .rect = rect,
            .fore = fore,
            .caption = text,
            .font = font,
            .stack = stack};
}
constexpr Control frame(const char* name, TwipsRect rect, BgrColor back, int stack) {
    return {.name = name,
            .kind = Kind::Frame,
            .parent = kForm,
            .rect = rect,
            .back = back,
            .stack = stack};
}
constexpr Control slider(const char* name, int parent, TwipsRect rect, int stack) {
    return {.name = name, .kind = Kind::ScrollBar, .parent = parent, .rect = rect, .stack = stack};
}
constexpr Control menuItem(const char* name, const char* text, bool checked) {
    return {.name = name,
            .kind = Kind::MenuItem,
            .parent = in(Id::mnuFile),
            .caption = text,
            .visible = false,
            .checked = checked};
}

constexpr Font kValueFont{k20_25pt, false};
constexpr Font kCaptionFont{k9_75pt, false};
constexpr Font kHeadingFont{k12pt, false};
constexpr Font kCreditFont{k11_25pt, false};

}  // namespace

const layout::Window kWindow{
    .client = {0, 0, 8055, 7485}, .back = kMainBackground, .icon = Picture::AppIcon};

// In the order of Id. Stacking, front to back: on the window picMiniFocus, picClsFocus,
// picClsNormal, picMiniNormal, picLightNight, picLightNormal, fraAdvanced, Picture2, picCls,
// fraNormal, picSwitch, Picture1, picTopbar, then the windowless lbMode, shpSwitch, lbWeibo,
// Label5, Label3.
const std::array<Control, index(Id::Count)> kControls = {
    // Top bar.
    picture("picTopbar", kForm, {0, 0, 9015, 975}, kTopBar, 12),
    label("lbTitle", in(Id::picTopbar), {360, 240, 5775, 420},
          "澄岚电脑夜间模式工具V5.0 [Dimwarden]", {k15_75pt, true}, kAccent, 1),
    picture("picMini", in(Id::picTopbar), {6720, 120, 480, 480}, kWhite, 0, Picture::MiniNormal,
            "最小化到托盘[Mini]"),
    picture("picCls", kForm, {7320, 120, 480, 480}, kWhite, 8, Picture::CloseNormal,
            "退出程序[Exit]"),
    holder("picMiniNormal", {3360, 1080, 480, 480}, Picture::MiniNormal, 3),
    holder("picMiniFocus", {4560, 1080, 480, 480}, Picture::MiniFocus, 0),
    holder("picClsNormal", {3960, 1080, 480, 480}, Picture::CloseNormal, 2),
    holder("picClsFocus", {5160, 1080, 480, 480}, Picture::CloseFocus, 1),

    // Setting panel.
    picture("Picture1", kForm, {-120, 960, 9135, 2055}, kAccent, 11),
    frame("fraNormal", {-120, 1080, 9135, 2775}, kAccent, 9),
    picture("picSetting", in(Id::fraNormal), {240, 0, 720, 720}, kWhite, 0, Picture::SettingBadge),
    label("lbNormal", in(Id::fraNormal), {1080, 120, 1995, 315}, "常规设置 [Setting]", kHeadingFont,
          kWhite, 3),
    label("Label1", in(Id::fraNormal), {480, 840, 2250, 285}, "亮度调节模式[Brightness]",
          kCaptionFont, kWhite, 5),
    slider("HScroll1", in(Id::fraNormal), {3120, 840, 4215, 375}, 1),
    label("lbHval", in(Id::fraNormal), {7440, 720, 240, 525}, "0", kValueFont, kWhite, 6),
    label("Label2", in(Id::fraNormal), {480, 1320, 2025, 285}, "彩色调节模式[Colorful]",
          kCaptionFont, kWhite, 4),
    {.name = "picColor",
     .kind = Kind::PictureBox,
     .parent = in(Id::fraNormal),
     .rect = {3120, 1320, 4215, 375},
     .back = kSwatchInitial,
     .toolTip = "点击此处选择颜色 [Click to pick color]",
     .stack = 2,
     .sunken = true},
    {.name = "lbSetting",
     .kind = Kind::Label,
     .parent = in(Id::picColor),
     .rect = {120, 35, 3195, 255},
     .fore = kWhite,
     .caption = "点击此处选择颜色 [Click to pick color]",
     .font = {k9pt, false},
     .toolTip = "点击此处选择颜色 [Click to pick color]"},

    // Advanced panel.
    picture("Picture2", kForm, {-600, 3120, 9615, 2775}, kAdvanced, 7),
    frame("fraAdvanced", {-120, 3240, 8655, 2655}, kAdvanced, 6),
    picture("picAdvanced", in(Id::fraAdvanced), {240, 0, 720, 720}, kWhite, 0,
            Picture::AdvancedBadge),
    label("Label7", in(Id::fraAdvanced), {1080, 120, 2310, 315}, "高级设置 [Advanced]",
          kHeadingFont, kWhite, 4),
    label("Label4", in(Id::fraAdvanced), {480, 840, 855, 285}, "红色[Red]", kCaptionFont, kWhite,
          9),
    slider("HScrollRed", in(Id::fraAdvanced), {1800, 840, 5535, 375}, 3),
    label("lbRed", in(Id::fraAdvanced), {7440, 720, 240, 525}, "0", kValueFont, kWhite, 10),
    label("Label6", in(Id::fraAdvanced), {480, 1440, 1065, 285}, "绿色[Green]", kCaptionFont,
          kWhite, 7),
    slider("HScrollGreen", in(Id::fraAdvanced), {1800, 1440, 5535, 375}, 2),
    label("lbGreen", in(Id::fraAdvanced), {7440, 1320, 240, 525}, "0", kValueFont, kWhite, 8),
    label("Label8", in(Id::fraAdvanced), {480, 2040, 900, 285}, "蓝色[Blue]", kCaptionFont, kWhite,
          5),
    slider("HScrollBlue", in(Id::fraAdvanced), {1800, 2040, 5535, 375}, 1),
    label("lbBlue", in(Id::fraAdvanced), {7440, 1920, 240, 525}, "0", kValueFont, kWhite, 6),

    // Bottom area: the switch, the lamps and the credit lines.
    label("lbMode", kForm, {240, 6240, 1470, 330}, "切换[Switch]", {k12pt, true}, kSwitchBlue, 13),
    {.name = "shpSwitch",
     .kind = Kind::Shape,
     .parent = kForm,
     .rect = {240, 6720, 1455, 495},
     .back = kSwitchBlue,
     .stack = 14,
     .lineWidthPx = 3},
    picture("picSwitch", kForm, {240, 6720, 1095, 495}, kSwitchBlue, 10),
    label("lbSwitch", in(Id::picSwitch), {240, 45, 480, 390}, "ON", {k14_25pt, true}, kWhite, 0),
    picture("picLightNight", kForm, {2040, 5940, 1440, 1440}, kWhite, 4, Picture::LampNight),
    picture("picLightNormal", kForm, {2040, 5940, 1440, 1440}, kWhite, 5, Picture::LampNormal),
    {.name = "lbWeibo",
     .kind = Kind::Label,
     .parent = kForm,
     .rect = {3720, 6240, 2025, 300},
     .fore = kGrey,
     .caption = "使用说明 [Help page]",
     .font = kCreditFont,
     .toolTip = "打开使用说明网页 [Open the help page]",
     .stack = 15},
    label("Label5", kForm, {3720, 6600, 3150, 300}, "邮箱: team@dimwarden.invalid", kCreditFont,
          kGrey, 16),
    label("Label3", kForm, {3720, 6960, 3210, 300}, "Dimwarden 开发组 [Dimwarden team]",
          kCreditFont, kGrey, 17),

    // The pop-up menu of the notification icon.
    {.name = "mnuFile", .kind = Kind::Menu, .caption = "文件(File)", .visible = false},
    menuItem("mnuNight", "夜间模式(Night)", true),
    menuItem("mnuNormal", "正常模式(Normal)", true),
    // The schedule's on/off; checkable, greyed while no schedule is set.
    menuItem("mnuAuto", "自动 [Automatic]", false),
    // Start at login; checkable, checked from what the system holds each time the menu opens.
    menuItem("mnuAutostart", "开机启动 [Start at login]", false),
    menuItem("mnuExit", "退出程序(Exit)", false),
};

Id scrollBarOf(Slider slider) {
    constexpr std::array<Id, 4> ids = {Id::HScroll1, Id::HScrollRed, Id::HScrollGreen,
                                       Id::HScrollBlue};
    return ids[static_cast<std::size_t>(slider)];
}

Id valueLabelOf(Slider slider) {
    constexpr std::array<Id, 4> ids = {Id::lbHval, Id::lbRed, Id::lbGreen, Id::lbBlue};
    return ids[static_cast<std::size_t>(slider)];
}

float knobLeft(bool on) {
    const TwipsRect& track = kControls[in(Id::shpSwitch)].rect;
    const TwipsRect& knob = kControls[in(Id::picSwitch)].rect;
    return on ? track.left : track.width + track.left - knob.width;
}

BgrColor linkColor(bool lit) {
    return lit ? kLinkHover : kLinkGrey;
}

layout::TwipsRect inWindow(Id id) {
    return layout::inWindow(kControls, index(id));
}

}  // namespace frmMainLayout
