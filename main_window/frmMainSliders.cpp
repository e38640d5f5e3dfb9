// The display engine's operations as the window's own, the colour tint and the four sliders.
#include "gamma/RampMath.h"
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

void frmMain::RestoreGamma() {
    engine_.RestoreGamma();
}

void frmMain::checkNight() {
    mnuNormal->setChecked(false);
    mnuNight->setChecked(true);
}

void frmMain::SetScreenByColor(std::int32_t& colr) {
    const tint::Components c = tint::split(colr);
    const double r = c.red / 256.0 * tint::kMaxPosition;
    const double g = c.green / 256.0 * tint::kMaxPosition;
    const double b = c.blue / 256.0 * tint::kMaxPosition;
    const int pB = static_cast<int>(ramp::rne(b));

    ++changeDepth_;
    // Each assignment that moves a slider runs its handler before the next one.
    HScrollRed->setValue(static_cast<int>(ramp::rne(r)));
    HScrollGreen->setValue(static_cast<int>(ramp::rne(g)));
    HScrollBlue->setValue(pB);

    picColor->setBackColor(static_cast<std::uint32_t>(colr) & 0x00FFFFFFu);
    engine_.curRed = static_cast<std::int16_t>(ramp::rne(r - tint::kMaxPosition));
    engine_.curGreen = static_cast<std::int16_t>(ramp::rne(g - tint::kMaxPosition));
    engine_.curBlue = static_cast<std::int16_t>(pB - tint::kMaxPosition);
    SetGamma(engine_.curRed, engine_.curGreen, engine_.curBlue);
    checkNight();
    --changeDepth_;
    keepColor();
}

void frmMain::HScroll1_Change() {
    const int value = HScroll1->value();
    const auto o = static_cast<std::int16_t>(value - tint::kMaxPosition);
    lbHval->setCaption(QString::number(value));
    engine_.curRed = engine_.curGreen = engine_.curBlue = o;
    SetGamma(o, o, o);
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
    engine_.curRed = static_cast<std::int16_t>(HScrollRed->value() - tint::kMaxPosition);
    engine_.curGreen = static_cast<std::int16_t>(HScrollGreen->value() - tint::kMaxPosition);
    engine_.curBlue = static_cast<std::int16_t>(HScrollBlue->value() - tint::kMaxPosition);
    SetGamma(engine_.curRed, engine_.curGreen, engine_.curBlue);
    checkNight();
    keepColor();
}
