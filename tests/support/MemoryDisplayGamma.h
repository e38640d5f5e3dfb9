#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "gamma/DisplayGamma.h"

// A display held in memory, for tests: a hardware table of any size per channel, a record of
// every ramp applied, and switches that make reads or writes fail.
class MemoryDisplayGamma : public DisplayGamma {
  public:
    explicit MemoryDisplayGamma(std::size_t gammaSize = 256);

    bool read(GammaRamp& ramp) override;
    bool apply(const GammaRamp& ramp) override;

    // The hardware tables as the display holds them (gammaSize entries each).
    std::vector<std::uint16_t> red, green, blue;
    std::vector<GammaRamp> applied;  // every ramp accepted, in order
    bool refuseRead = false;
    bool refuseApply = false;

    void setTables(const GammaRamp& ramp);  // fill the hardware tables from a 256-entry ramp
    GammaRamp current() const;              // the hardware tables read back as a ramp
};
