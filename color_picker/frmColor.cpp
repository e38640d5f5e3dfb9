#include "color_picker/frmColor.h"

#include "color_picker/ColorView.h"
#include "forms/WindowDrag.h"

frmColor::frmColor(PickerOwner& owner, WindowDrag& drag) : owner_(owner), drag_(drag) {
    colors_.fill(
        frmColorLayout::kControls[frmColorLayout::index(frmColorLayout::Id::picPickColor)].back);
}

void frmColor::attach(ColorView& view) {
    view_ = &view;
}

void frmColor::detach() {
    view_ = nullptr;
}

void frmColor::Show() {
    Form_Load();
    if (view_ != nullptr) {
        view_->showModal();
    }
}

void frmColor::Form_Load() {
    const frmColorLayout::Loaded l = frmColorLayout::loaded();
    swatches_ = l.swatches;
    colors_ = palette::kColors;
    loaded_ = true;
    if (view_ == nullptr) {
        return;
    }
    view_->showLoaded(l.width, l.height, l.back, l.topBar);
    for (int i = 0; i < palette::kSwatchCount; ++i) {
        const palette::Rect& r = swatches_[static_cast<std::size_t>(i)];
        view_->showSwatch(i, {r.left, r.top, r.width, r.height},
                          colors_[static_cast<std::size_t>(i)]);
    }
}

void frmColor::picPickColor_Click(std::int16_t Index) {
    const auto i = static_cast<std::size_t>(Index);
    marker_ = frmColorLayout::markerAround(swatches_[i]);
    if (view_ != nullptr) {
        view_->showMarker(*marker_);
    }
    owner_.picker_SwatchPicked(colors_[i]);
}

void frmColor::picCls_Click() {
    owner_.picker_Confirmed();
    if (view_ != nullptr) {
        view_->closeWindow();
    }
}

void frmColor::picCls_MouseMove() {
    confirmLit_ = true;
    if (view_ != nullptr) {
        view_->showConfirmLit(true);
    }
}

void frmColor::picTopbar_MouseMove() {
    confirmLit_ = false;
    if (view_ != nullptr) {
        view_->showConfirmLit(false);
    }
}

void frmColor::picTopbar_MouseDown(int Button) {
    dragRule(Button);
}

void frmColor::lbTitle_MouseDown(int Button) {
    dragRule(Button);
}

// Only the left button moves the window; the window manager does it where it will.
void frmColor::dragRule(int Button) {
    if (Button != 1 || view_ == nullptr) {
        return;
    }
    if (!drag_.startMove(view_->nativeWindow())) {
        view_->followPointer();
    }
}
