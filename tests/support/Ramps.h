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

// What a calibrated screen might hold at start: a different, non-identity curve per channel.
inline GammaRamp calibrated() {
    GammaRamp r;
    for (std::size_t i = 0; i < 256; ++i) {
        r.at(0, i) = static_cast<std::uint16_t>(i * 257);
        r.at(1, i) = static_cast<std::uint16_t>(i * i);
        r.at(2, i) = static_cast<std::uint16_t>(1000 + i * 200);
    }
    return r;
}
