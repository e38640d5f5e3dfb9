#pragma once

#include <cstdint>

#include "gamma/GammaRamp.h"

// Distinct, irregular contents per channel and per seed, so that swapped channels, a stale ramp
// or a partial copy all show.
inline GammaRamp patterned(std::uint32_t seed) {
    GammaRamp r;
    std::uint32_t state = seed;
    for (std::uint16_t& w : r.words) {
        state = state * 1664525u + 1013904223u;
        w = static_cast<std::uint16_t>(state >> 16);
    }
    return r;
}
