#pragma once

#include <cstdint>

#include "gamma/GammaRamp.h"

class DisplayGamma;

// The display-ramp state of the main window: the ramp remembered at start (or at the last switch
// to normal mode), the ramp last sent, and the offsets last applied by the adjustment code.
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
    std::int16_t curRed = 0;
    std::int16_t curGreen = 0;
    std::int16_t curBlue = 0;

  private:
    DisplayGamma& display_;
};
