#pragma once

#include <cmath>
#include <span>

#include "gamma/BgrColor.h"

// A window's static design as data: one table per window, read by every view that draws it and
// by the tests. Geometry is in twips (1/1440 inch), relative to the parent's client area; at the
// design density of 96 dots per inch a pixel is 15 twips.
namespace layout {

inline constexpr float kTwipsPerPixel = 15.0f;

struct TwipsRect {
    float left = 0;
    float top = 0;
    float width = 0;
    float height = 0;
};

struct PixelRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

inline int twipsToPixels(float twips) {
    return static_cast<int>(std::lround(twips / kTwipsPerPixel));
}
inline PixelRect toPixels(const TwipsRect& r) {
    return {twipsToPixels(r.left), twipsToPixels(r.top), twipsToPixels(r.width),
            twipsToPixels(r.height)};
}

// The design at another density: twips × dpi / 1440, from the design's own pixels (15 twips),
// so that the windows look at every density as they do at 96 dpi, only larger. A rectangle's edges
// are scaled each on its own, so that controls that meet at 96 dpi still meet, with no gap or
// overlap (Qt's windows at a scale factor are laid out the same way).
inline constexpr int kDesignDpi = 96;
inline int scaleEdge(int pixels, int dpi) {
    return static_cast<int>(std::lround(static_cast<double>(pixels) * dpi / kDesignDpi));
}
inline int twipsToPixels(float twips, int dpi) {
    return scaleEdge(twipsToPixels(twips), dpi);
}
inline PixelRect toPixels(const TwipsRect& r, int dpi) {
    const PixelRect p = toPixels(r);
    const int left = scaleEdge(p.left, dpi);
    const int top = scaleEdge(p.top, dpi);
    return {left, top, scaleEdge(p.left + p.width, dpi) - left,
            scaleEdge(p.top + p.height, dpi) - top};
}
// A length the design gives in pixels at 96 dpi (a line, a picture, a font's height).
inline int scalePixels(int pixels, int dpi) {
    return static_cast<int>(std::lround(static_cast<double>(pixels) * dpi / kDesignDpi));
}

enum class Kind {
    PictureBox,  // a child window with a background and an optional picture; sizes to its picture
    Frame,       // a borderless filled panel holding other controls
    Label,       // windowless text on a transparent ground, sized to its text
    Shape,       // a windowless rectangle outline
    ScrollBar,   // a horizontal slider, 0 to 40 in steps of 1, counted only when a move completes
    Menu,        // a pop-up menu
    MenuItem,    // an item of the menu named as its parent
};

// The pictures of both windows; each view loads them its own way.
enum class Picture {
    None,
    MiniNormal,
    MiniFocus,
    CloseNormal,
    CloseFocus,
    SettingBadge,
    AdvancedBadge,
    LampNight,
    LampNormal,
    AppIcon,
    PickerIcon,
};

// A design font: the face asked for first, then installed CJK faces, at a pixel height so the
// layout does not depend on the screen's density setting.
struct Font {
    int pixelHeight = 0;
    bool bold = false;
};

inline constexpr int kWindow = -1;

// A sunken picture box's edge lies inside its size, and its children are placed inside the edge.
inline constexpr int kSunkenEdgePixels = 2;

struct Control {
    const char* name = "";  // the design name
    Kind kind = Kind::PictureBox;
    int parent = kWindow;  // index of the parent in the same table
    TwipsRect rect{};
    BgrColor back{};                // picture box and frame: background; shape: outline
    BgrColor fore{};                // label: text
    const char* caption = nullptr;  // UTF-8 text of a label, a menu or a menu item
    Font font{};
    Picture picture = Picture::None;
    const char* toolTip = nullptr;
    bool visible = true;
    // Place among the parent's children, 0 in front. Windowless labels and shapes are drawn on
    // the parent itself, so they are numbered after all of its child windows.
    int stack = 0;
    bool sunken = false;   // picture box: the sunken edge, inside its size
    int lineWidthPx = 1;   // shape
    bool checked = false;  // menu item, as created
    int count = 1;         // a control array of this many, all alike as created
};

struct Window {
    TwipsRect client{};  // as created
    BgrColor back{};
    Picture icon = Picture::None;
    bool ownTaskbarButton = true;
};

// Control `index`'s rectangle in its window's client area, through its parents (and inside the
// edges of sunken ones).
TwipsRect inWindow(std::span<const Control> table, int index);

// The pixel at the middle of a rectangle, as tests aim at it.
struct PixelPoint {
    int x = 0;
    int y = 0;
};
PixelPoint pixelCentre(const TwipsRect& r);

}  // namespace layout
