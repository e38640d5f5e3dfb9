#include "views/qt/ColorWindow.h"

#include <QKeyEvent>
#include <QPalette>

#include "color_picker/frmColor.h"
#include "views/qt/Controls.h"
#include "views/qt/Pictures.h"

ColorWindow::ColorWindow(QWidget* owner, frmColor& form)
    : QDialog(owner, Qt::Dialog | Qt::FramelessWindowHint), form_(form) {
    setWindowTitle(QString());
    setWindowIcon(Pictures::get().pickerIcon);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, fromBgr(frmColorLayout::kWindow.back));
    setPalette(pal);
    setAutoFillBackground(true);
    const layout::PixelRect size = layout::toPixels(frmColorLayout::kWindow.client);
    setFixedSize(size.width, size.height);
    controls_ = buildControls(this, frmColorLayout::kControls);
    connectHandlers();
    form_.attach(*this);
}

ColorWindow::~ColorWindow() {
    form_.detach();
}

QWidget* ColorWindow::control(Id id, int item) const {
    return controls_[static_cast<std::size_t>(frmColorLayout::index(id))]
                    [static_cast<std::size_t>(item)];
}

void ColorWindow::connectHandlers() {
    frmColor& f = form_;
    for (int i = 0; i < palette::kSwatchCount; ++i) {
        connect(control<Control>(Id::picPickColor, i), &Control::Click, this,
                [&f, i] { f.picPickColor_Click(static_cast<std::int16_t>(i)); });
    }
    connect(control<Control>(Id::picCls), &Control::Click, this, [&f] { f.picCls_Click(); });
    connect(control<Control>(Id::picCls), &Control::MouseMove, this,
            [&f] { f.picCls_MouseMove(); });
    connect(control<Control>(Id::picTopbar), &Control::MouseMove, this,
            [&f] { f.picTopbar_MouseMove(); });
    connect(control<Control>(Id::picTopbar), &Control::MouseDown, this,
            [&f](int button, int, float, float) { f.picTopbar_MouseDown(button); });
    connect(control<Control>(Id::lbTitle), &Control::MouseDown, this,
            [&f](int button, int, float, float) { f.lbTitle_MouseDown(button); });
    follow_.watch(control(Id::picTopbar));
    follow_.watch(control(Id::lbTitle));
}

void ColorWindow::keyPressEvent(QKeyEvent* event) {
    event->accept();
}

NativeWindow ColorWindow::nativeWindow() const {
    return static_cast<NativeWindow>(winId());
}

void ColorWindow::showLoaded(float width, float height, const layout::TwipsRect& back,
                             const layout::TwipsRect& topBar) {
    control<Control>(Id::shpBack)->setRect(back);
    control<Control>(Id::picTopbar)->setRect(topBar);
    setFixedSize(layout::twipsToPixels(width), layout::twipsToPixels(height));
}

void ColorWindow::showSwatch(int index, const layout::TwipsRect& rect, BgrColor color) {
    auto* swatch = control<PictureBox>(Id::picPickColor, index);
    swatch->setRect(rect);
    swatch->setBackColor(color);
}

void ColorWindow::showMarker(const layout::TwipsRect& rect) {
    control<Control>(Id::shpPick)->setRect(rect);
    control(Id::shpPick)->show();
}

void ColorWindow::showConfirmLit(bool lit) {
    control<PictureBox>(Id::picCls)
        ->setPicture(control<PictureBox>(lit ? Id::picClsFocus : Id::picClsNormal)->Picture());
}

void ColorWindow::showModal() {
    if (const QWidget* owner = parentWidget()) {
        move(owner->geometry().center() - rect().center());
    }
    exec();
}

void ColorWindow::closeWindow() {
    accept();
}

void ColorWindow::followPointer() {
    follow_.start(this);
}
