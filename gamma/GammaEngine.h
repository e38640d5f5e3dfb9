#pragma once

#include "gamma/GammaRamp.h"

class DisplayGamma;

// The display-ramp state of the main window: the ramp remembered at start (or at the last switch
// to normal mode) and the ramp last sent.
// Every adjusted ramp is derived from savedRamp, so adjustments never accumulate.
class GammaEngine {
  public:
    explicit GammaEngine(DisplayGamma& display) : display_(display) {}

    void SetGamma(int intRed, int intGreen, int intBlue);
    void SetDefault();
    void SaveGamma();
    void RestoreGamma();

    GammaRamp savedRamp;
    GammaRamp workRamp;

  private:
    DisplayGamma& display_;
};
