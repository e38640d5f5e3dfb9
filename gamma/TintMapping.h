#pragma once

#include "gamma/BgrColor.h"

// How a tint colour maps onto the three colour sliders (positions 0..40) and back.
namespace tint {

constexpr int kMaxPosition = 40;

struct Components {
    int red = 0;
    int green = 0;
    int blue = 0;
};

struct Positions {
    int red = 0;
    int green = 0;
    int blue = 0;
};

// The colour's three bytes.
Components split(BgrColor colr);

// A component 0..255 on the slider scale: rne(c / 256 * 40), so 253..255 give 40 and 0..3 give 0.
int positionOf(int component);
Positions positionsOf(BgrColor colr);

// The colour a slider position previews: rne(p / 40 * 255).
int previewComponent(int position);
BgrColor previewColor(int red, int green, int blue);

}  // namespace tint
