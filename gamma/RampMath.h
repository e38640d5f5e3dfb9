#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "gamma/GammaRamp.h"

namespace ramp {

// Nearest integer, ties to the even neighbour: the one rounding rule of the whole tool.
double rne(double x);

// Channel offsets are a contract of -40..+40; anything outside is clamped to it.
std::int16_t clampOffset(int offset);

// The strength actually applied: half the offset, rounded with rne (-40..+40 -> -20..+20).
int halve(int offset);

// One entry of an adjusted ramp: moves |h|/40 of the way towards 0 (h < 0) or 65535 (h > 0).
std::uint16_t adjustEntry(std::uint16_t u, int h);

// Builds `out` from `saved` and three channel offsets (clamped to -40..+40).
void buildAdjusted(const GammaRamp& saved, int red, int green, int blue, GammaRamp& out);

// Entry i of every channel is i * 256 (top entry 65280, not 65535).
GammaRamp identity();

// A ramp a display can be left with: every channel rising or level everywhere and higher at the
// top than at the bottom (not flat, such as a fresh Xvfb's all-zero table). Anything else is no
// calibration worth keeping.
bool usable(const GammaRamp& r);

// Hardware tables come in other sizes (16, 1024, 4096...). These map between such a table and the
// 256-entry ramp by linear interpolation; for a 256-entry table both are exact copies.
void sampleTo256(std::span<const std::uint16_t> table, std::span<std::uint16_t, 256> out);
void spreadFrom256(std::span<const std::uint16_t, 256> ramp, std::span<std::uint16_t> table);
// What a table of `size` entries reads back after `r` was written to it.
GammaRamp roundTrip(const GammaRamp& r, std::size_t size);

// How far a display may round an entry: one step of 8 bits (a word v read back as (v>>8)*257 under
// X servers that keep 8 bits, for one). Displays keep at least that many.
constexpr int kDisplayRounding = 257;
// True when `table`, read back from a table of `size` entries, is what the display made of
// `written`: every word within kDisplayRounding of what the table was given.
bool matchesWritten(const GammaRamp& table, const GammaRamp& written, std::size_t size);
// True when `table`, read back as above, is `base` with some channel offsets applied (each
// channel its own, zero included), give or take the same rounding.
bool tintOf(const GammaRamp& table, const GammaRamp& base, std::size_t size);

}  // namespace ramp
