#include "color_picker/frmColor.h"

#include <QPalette>
#include <QPointer>

#include "color_picker/core/Palette.h"
#include "main_window/frmMain.h"
#include "widgets/Design.h"
#include "widgets/Pictures.h"

namespace {

using namespace design;

constexpr std::uint32_t kWindowBack = kWhite;
constexpr std::uint32_t kWindowText = 0x00000000;
// Swatches show the system's face colour until the palette colours them.
constexpr std::uint32_t kFace = 0x00F0F0F0;

// The window's client area as created; the load sizes it to its outline.
constexpr float kCreatedWidth = 6630;
constexpr float kCreatedHeight = 3810;

constexpr float kSwatchSize = 375;
constexpr std::array<float, palette::kRows> kRowTops = {1200, 1800, 2400, 3000};
constexpr std::array<float, palette::kColumns> kFirstRowLefts = {
    240, 710, 1180, 1650, 2120, 2590, 3060, 3530, 4000, 4470, 4940, 5410, 5880};
constexpr std::array<float, palette::kColumns> kOtherRowLefts = {
    240, 705, 1185, 1650, 2115, 2595, 3060, 3525, 4005, 4470, 4935, 5415, 5880};

// Where a swatch sits as created. Only the top row holds its indices left to right; the other
// rows hold theirs right to left. The load replaces every position, so the user never sees this.
TwipsRect createdSwatchRect(int index) {
    const int row = index / palette::kColumns;
    const int column = index % palette::kColumns;
    const float left =
        row == 0 ? kFirstRowLefts[column] : kOtherRowLefts[palette::kColumns - 1 - column];
    return {left, kRowTops[row], kSwatchSize, kSwatchSize};
}

// The marker frames a swatch from 30 twips above and to the left of it.
constexpr float kMarkerOffset = 30;
// Thick enough that the strip left around a swatch still shows on every side after rounding.
constexpr int kMarkerLinePx = 2;

frmColor* openPicker = nullptr;

}  // namespace

frmColor::frmColor(frmMain& owner)
    : QDialog(&owner, Qt::Dialog | Qt::FramelessWindowHint),
      owner_(owner),
      drag_(owner.platform().drag) {
    setWindowTitle(QString());
    setWindowIcon(Pictures::get().pickerIcon);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, fromBgr(kWindowBack));
    setPalette(pal);
    setAutoFillBackground(true);
    setFixedSize(twipsToPixels(kCreatedWidth), twipsToPixels(kCreatedHeight));
    createControls();
    connectHandlers();
    openPicker = this;
}

frmColor::~frmColor() {
    if (openPicker == this) {
        openPicker = nullptr;
    }
}

frmColor* frmColor::current() {
    return openPicker;
}

void frmColor::createControls() {
    const Pictures& pics = Pictures::get();

    picTopbar = new PictureBox(this, {0, 0, 6495, 975}, kTopBar);
    lbTitle =
        new Label(picTopbar, {360, 240, 3705, 420}, QStringLiteral("选择颜色 [Picking Color]"),
                  designFont(k15_75pt, true), kAccent);
    picCls = new PictureBox(picTopbar, {5760, 120, 480, 480});
    picCls->setPicture(pics.closeNormal);
    picCls->setToolTip(QStringLiteral("确定[Confirm]"));
    picClsNormal = PictureBox::holder(picTopbar, {4440, 0, 480, 480}, pics.closeNormal);
    picClsFocus = PictureBox::holder(picTopbar, {4920, 0, 480, 480}, pics.closeFocus);

    for (int i = 0; i < palette::kSwatchCount; ++i) {
        picPickColor[i] = new PictureBox(this, createdSwatchRect(i), kFace);
        picPickColor[i]->setSunken(true);
    }

    shpBack = new Shape(this, {0, 0, 6495, 3735}, kWindowText, 1);
    shpPick = new Shape(this, {0, 3240, 450, 450}, kAccent, kMarkerLinePx);
    shpPick->hide();

    // Front to back: the top bar, the swatches from the last to the first, then the two outlines,
    // which lie behind everything so a swatch covers the middle of the marker around it.
    shpPick->raise();
    shpBack->raise();
    for (PictureBox* swatch : picPickColor) {
        swatch->raise();
    }
    picTopbar->raise();
    stackFrontToBack({picClsFocus, picCls, picClsNormal, lbTitle});
}

void frmColor::connectHandlers() {
    for (int i = 0; i < palette::kSwatchCount; ++i) {
        connect(picPickColor[i], &Control::Click, this,
                [this, i] { picPickColor_Click(static_cast<std::int16_t>(i)); });
    }
    connect(picCls, &Control::Click, this, &frmColor::picCls_Click);
    connect(picCls, &Control::MouseMove, this, &frmColor::picCls_MouseMove);
    connect(picTopbar, &Control::MouseMove, this, &frmColor::picTopbar_MouseMove);
    drag_.attach(picTopbar, [this](int button) { picTopbar_MouseDown(button); });
    drag_.attach(lbTitle, [this](int button) { lbTitle_MouseDown(button); });
}

void frmColor::Show(frmMain& owner) {
    // Built afresh for every opening, so nothing of an earlier one (the marker) survives.
    QPointer<frmColor> picker = new frmColor(owner);
    picker->Form_Load();
    picker->move(owner.geometry().center() - picker->rect().center());
    picker->exec();
    delete picker;
}

void frmColor::Form_Load() {
    shpBack->setTop(0);
    shpBack->setLeft(0);
    picTopbar->setTop(15);
    picTopbar->setLeft(15);
    picTopbar->setWidth(shpBack->Width() - 30);
    setFixedSize(twipsToPixels(shpBack->Left() + shpBack->Width()),
                 twipsToPixels(shpBack->Top() + shpBack->Height()));

    palette::Grid grid;
    for (int i = 0; i < palette::kSwatchCount; ++i) {
        const PictureBox* s = picPickColor[i];
        grid[i] = {s->Left(), s->Top(), s->Width(), s->Height()};
    }
    grid = palette::placeSwatches(grid, picTopbar->Height());
    for (int i = 0; i < palette::kSwatchCount; ++i) {
        picPickColor[i]->setRect({grid[i].left, grid[i].top, grid[i].width, grid[i].height});
    }
    for (int i = 0; i < palette::kSwatchCount; ++i) {
        picPickColor[i]->setBackColor(palette::kColors[i]);
    }
}

void frmColor::picPickColor_Click(std::int16_t Index) {
    const PictureBox* swatch = picPickColor[Index];
    shpPick->setLeft(swatch->Left() - kMarkerOffset);
    shpPick->setTop(swatch->Top() - kMarkerOffset);
    shpPick->show();
    owner_.picColor->setBackColor(swatch->BackColor());
    // The main window's swatch is the one home of the colour, so the tint is taken from there.
    std::int32_t colr = static_cast<std::int32_t>(owner_.picColor->BackColor());
    owner_.SetScreenByColor(colr);
}

void frmColor::picCls_Click() {
    // Cleared first so that the switch always turns night mode on.
    owner_.isModeOn = false;
    owner_.switchClick();
    accept();
}

void frmColor::picCls_MouseMove() {
    picCls->setPicture(picClsFocus->Picture());
}

void frmColor::picTopbar_MouseMove() {
    picCls->setPicture(picClsNormal->Picture());
}

void frmColor::picTopbar_MouseDown(int Button) {
    drag_.mouseDown(this, Button);
}

void frmColor::lbTitle_MouseDown(int Button) {
    drag_.mouseDown(this, Button);
}
