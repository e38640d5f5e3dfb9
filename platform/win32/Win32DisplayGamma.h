#pragma once

#include "gamma/DisplayGamma.h"

// The primary screen's ramp through GDI. Each call takes a fresh device context for the whole
// screen and releases it before returning; nothing is held between calls.
class Win32DisplayGamma : public DisplayGamma {
  public:
    bool read(GammaRamp& ramp) override;
    bool apply(const GammaRamp& ramp) override;
};
