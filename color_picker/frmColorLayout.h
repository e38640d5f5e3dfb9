#pragma once

#include <array>

#include "color_picker/core/Palette.h"
#include "forms/Layout.h"

// The colour picker's design: its controls by their design names, as the window is created, and
// where its load puts them.
namespace frmColorLayout {

enum class Id {
    picTopbar,
    lbTitle,
    picCls,
    picClsNormal,
    picClsFocus,
    picPickColor,  // a control array of palette::kSwatchCount
    shpBack,
    shpPick,
    Count,
};

constexpr int index(Id id) {
    return static_cast<int>(id);
}

extern const layout::Window kWindow;
// Indexed by Id.
extern const std::array<layout::Control, index(Id::Count)> kControls;

// The window once loaded: sized to the outline `shpBack`, the top bar inside it, every swatch
// placed by the palette's rule.
struct Loaded {
    float width = 0;
    float height = 0;
    layout::TwipsRect back;
    layout::TwipsRect topBar;
    palette::Grid swatches;
};
Loaded loaded();

// The marker framing a swatch: its left and top, 30 twips above and left of the swatch.
layout::TwipsRect markerAround(const palette::Rect& swatch);

// Where a control is in the loaded window's client area (swatch `item` of the array).
layout::TwipsRect inLoadedWindow(Id id, int item = 0);

}  // namespace frmColorLayout
