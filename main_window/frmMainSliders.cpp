// The display engine's operations as the window's own, the colour tint and the four sliders.
#include <algorithm>

#include "gamma/TintMapping.h"
#include "main_window/MainView.h"
#include "main_window/frmMain.h"

void frmMain::SetGamma(std::int16_t intRed, std::int16_t intGreen, std::int16_t intBlue) {
    engine_.SetGamma(intRed, intGreen, intBlue);
}

void frmMain::SetDefault() {
    engine_.SetDefault();
    checkMenu(false, true);
}

void frmMain::SaveGamma() {
    engine_.SaveGamma();
}

void frmMain::RestoreGamma() {
    engine_.RestoreGamma();
}

void frmMain::checkMenu(bool night, bool normal) {
    nightChecked_ = night;
    normalChecked_ = normal;
    view_->showMenuChecks(night, normal);
}

void frmMain::showColor(BgrColor colour) {
    picColor = colour;
    view_->showColor(colour);
}

void frmMain::showSliderValue(Slider slider) {
    const auto i = static_cast<std::size_t>(slider);
    shownValues_[i] = positions_[i];
    view_->showSliderValue(slider, positions_[i]);
}

// The one place a slider's position changes. As with a scroll bar given a value from code, a new
// position runs the slider's change handler at once, before the assignment returns, so a handler
// that moves other sliders runs theirs nested inside its own (never deeper than two). Assigning
// the position a slider already has runs nothing.
void frmMain::assign(Slider slider, int position) {
    int& current = positions_[static_cast<std::size_t>(slider)];
    if (current == position) {
        return;
    }
    current = position;
    view_->showSlider(slider, position);
    switch (slider) {
        case Slider::HScroll1:
            HScroll1_Change();
            break;
        case Slider::HScrollRed:
            HScrollRed_Change();
            break;
        case Slider::HScrollGreen:
            HScrollGreen_Change();
            break;
        case Slider::HScrollBlue:
            HScrollBlue_Change();
            break;
    }
}

void frmMain::moveSlider(Slider slider, int position) {
    assign(slider, std::clamp(position, 0, tint::kMaxPosition));
}

void frmMain::SetScreenByColor(BgrColor colr) {
    const tint::Positions p = tint::positionsOf(colr);

    ++changeDepth_;
    assign(Slider::HScrollRed, p.red);
    assign(Slider::HScrollGreen, p.green);
    assign(Slider::HScrollBlue, p.blue);

    showColor(colr);
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
    const int value = position(Slider::HScroll1);
    showSliderValue(Slider::HScroll1);
    applySliderOffsets(value, value, value);
    ++changeDepth_;
    assign(Slider::HScrollRed, value);
    assign(Slider::HScrollGreen, value);
    assign(Slider::HScrollBlue, value);
    --changeDepth_;
    keepColor();
}

void frmMain::HScrollRed_Change() {
    showSliderValue(Slider::HScrollRed);
    ApplyColorSliders();
}

void frmMain::HScrollGreen_Change() {
    showSliderValue(Slider::HScrollGreen);
    ApplyColorSliders();
}

void frmMain::HScrollBlue_Change() {
    showSliderValue(Slider::HScrollBlue);
    ApplyColorSliders();
}

void frmMain::ApplyColorSliders() {
    const int pR = position(Slider::HScrollRed);
    const int pG = position(Slider::HScrollGreen);
    const int pB = position(Slider::HScrollBlue);
    showColor(tint::previewColor(pR, pG, pB));
    applySliderOffsets(pR, pG, pB);
    checkNight();
    keepColor();
}
