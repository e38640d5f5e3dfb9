#include "color_picker/frmColor.h"

#include <QKeyEvent>
#include <QPalette>

#include "color_picker/core/Palette.h"
#include "widgets/Design.h"
#include "widgets/Pictures.h"

namespace {

using namespace design;

// The window's client area as created; the load sizes it to its outline.
constexpr float kCreatedWidth = 6630;
constexpr float kCreatedHeight = 3810;

// The load places every swatch; only this laid-out size matters, as it sets the grid's pitch.
constexpr TwipsRect kLaidOutSwatch{0, 0, 375, 375};

// The marker frames a swatch from 30 twips above and to the left of it.
constexpr float kMarkerOffset = 30;
// Thick enough that the strip left around a swatch still shows on every side after rounding.
constexpr int kMarkerLinePx = 2;

frmColor* openPicker = nullptr;

}  // namespace

frmColor::frmColor(QWidget* owner, WindowDrag& drag)
    : QDialog(owner, Qt::Dialog | Qt::FramelessWindowHint), drag_(drag) {
    setWindowTitle(QString());
    setWindowIcon(Pictures::get().pickerIcon);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, fromBgr(kWhite));
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
        picPickColor[i] = new PictureBox(this, kLaidOutSwatch, kFace);
        picPickColor[i]->setSunken(true);
    }

    shpBack = new Shape(this, {0, 0, 6495, 3735}, kBlack, 1);
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

void frmColor::Show() {
    Form_Load();
    if (const QWidget* owner = parentWidget()) {
        move(owner->geometry().center() - rect().center());
    }
    exec();
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
    emit SwatchPicked(swatch->BackColor());
}

void frmColor::picCls_Click() {
    emit Confirmed();
    accept();
}

void frmColor::keyPressEvent(QKeyEvent* event) {
    event->accept();
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
