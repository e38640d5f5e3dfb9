// The display engine's operations as the window's own, the colour tint and the four sliders.
#include "gamma/TintMapping.h"
#include "main_window/frmMain.h"

void frmMain::SetGamma(std::int16_t intRed, std::int16_t intGreen, std::int16_t intBlue) {
    engine_.SetGamma(intRed, intGreen, intBlue);
}

void frmMain::SetDefault() {
    engine_.SetDefault();
    mnuNormal->setChecked(true);
    mnuNight->setChecked(false);
}

void frmMain::SaveGamma() {
    engine_.SaveGamma();
}

void frmMain::checkNight() {
    mnuNormal->setChecked(false);
    mnuNight->setChecked(true);
}

void frmMain::SetScreenByColor(std::int32_t& colr) {
    const tint::Positions p = tint::positionsOf(colr);

    ++changeDepth_;
    // Each assignment that moves a slider runs its handler before the next one.
    HScrollRed->setValue(p.red);
    HScrollGreen->setValue(p.green);
    HScrollBlue->setValue(p.blue);

    picColor->setBackColor(static_cast<std::uint32_t>(colr) & 0x00FFFFFFu);
    applySliderOffsets(p.red, p.green, p.blue);
    checkNight();
    --changeDepth_;
    keepColor();
}

// Slider position p stands for the channel offset p - 40.
void frmMain::applySliderOffsets(int red, int green, int blue) {
    SetGamma(static_cast<std::int16_t>(red - tint::kMaxPosition),
             static_cast<std::int16_t>(green - tint::kMaxPosition),
             static_cast<std::int16_t>(blue - tint::kMaxPosition));
}

void frmMain::HScroll1_Change() {
    const int value = HScroll1->value();
    lbHval->setCaption(QString::number(value));
    applySliderOffsets(value, value, value);
    ++changeDepth_;
    HScrollRed->setValue(value);
    HScrollGreen->setValue(value);
    HScrollBlue->setValue(value);
    --changeDepth_;
    keepColor();
}

void frmMain::HScrollRed_Change() {
    lbRed->setCaption(QString::number(HScrollRed->value()));
    ApplyColorSliders();
}

void frmMain::HScrollGreen_Change() {
    lbGreen->setCaption(QString::number(HScrollGreen->value()));
    ApplyColorSliders();
}

void frmMain::HScrollBlue_Change() {
    lbBlue->setCaption(QString::number(HScrollBlue->value()));
    ApplyColorSliders();
}

void frmMain::ApplyColorSliders() {
    const int pR = HScrollRed->value();
    const int pG = HScrollGreen->value();
    const int pB = HScrollBlue->value();
    picColor->setBackColor(static_cast<std::uint32_t>(tint::previewColor(pR, pG, pB)));
    applySliderOffsets(pR, pG, pB);
    checkNight();
    keepColor();
}
