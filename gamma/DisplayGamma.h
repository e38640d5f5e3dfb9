#pragma once

#include "gamma/GammaRamp.h"

// The primary display's gamma ramp. Both calls report success for the callers that care; the
// engine ignores it, and a failed call leaves everything as it was.
class DisplayGamma {
  public:
    virtual ~DisplayGamma() = default;

    virtual bool read(GammaRamp& ramp) = 0;
    virtual bool apply(const GammaRamp& ramp) = 0;
};
