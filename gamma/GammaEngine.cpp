#include "gamma/GammaEngine.h"

#include "gamma/DisplayGamma.h"
#include "gamma/RampMath.h"

void GammaEngine::SetGamma(int intRed, int intGreen, int intBlue) {
    ramp::buildAdjusted(savedRamp, intRed, intGreen, intBlue, workRamp);
    display_.apply(workRamp);
}

void GammaEngine::SetDefault() {
    workRamp = ramp::identity();
    display_.apply(workRamp);
}

void GammaEngine::SaveGamma() {
    // Read into a scratch ramp so that a failed read leaves the remembered one untouched.
    GammaRamp fresh;
    if (display_.read(fresh)) {
        savedRamp = fresh;
    }
}

void GammaEngine::RestoreGamma() {
    display_.apply(savedRamp);
}
