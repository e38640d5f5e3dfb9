#pragma once

#include "gamma/DisplayGamma.h"

// The primary screen's ramp through GDI. Each call takes a fresh device context for the whole
// screen and releases it before returning; nothing is held between calls.
class Win32DisplayGamma : public DisplayGamma {
  public:
    // The whole screen's device context stands for one output, id 0, with a 256-entry table.
    std::vector<Output> outputs() override;
    bool read(OutputId id, GammaRamp& ramp) override;
    bool apply(OutputId id, const GammaRamp& ramp) override;
};
