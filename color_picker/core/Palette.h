#pragma once

#include <array>
#include <cstdint>

#include "gamma/BgrColor.h"

// The picker's fixed palette and the rule that lays its swatches out in a grid of 4 rows of 13.
namespace palette {

inline constexpr int kSwatchCount = 52;
inline constexpr int kColumns = 13;
inline constexpr int kRows = 4;

// The colour of each swatch by index.
extern const std::array<BgrColor, kSwatchCount> kColors;

// A swatch's rectangle in twips.
struct Rect {
    float left = 0;
    float top = 0;
    float width = 0;
    float height = 0;
};
using Grid = std::array<Rect, kSwatchCount>;

// The final rectangles of the swatches, from their rectangles as laid out and the height of the
// top bar above them. Only the laid-out sizes matter, and they set the grid's pitch: every swatch
// is placed while it still has its laid-out size and only then grows to 400 x 400, so swatches
// laid out at 375 end up 75 apart within a row and 175 apart between rows.
Grid placeSwatches(Grid swatches, float topBarHeight);

}  // namespace palette
