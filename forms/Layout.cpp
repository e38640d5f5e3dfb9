#include "forms/Layout.h"

namespace layout {

TwipsRect inWindow(std::span<const Control> table, int index) {
    TwipsRect r = table[static_cast<std::size_t>(index)].rect;
    for (int p = table[static_cast<std::size_t>(index)].parent; p != kWindow;
         p = table[static_cast<std::size_t>(p)].parent) {
        const Control& parent = table[static_cast<std::size_t>(p)];
        const float edge = parent.sunken ? kSunkenEdgePixels * kTwipsPerPixel : 0;
        r.left += parent.rect.left + edge;
        r.top += parent.rect.top + edge;
    }
    return r;
}

PixelPoint pixelCentre(const TwipsRect& r) {
    return {twipsToPixels(r.left + r.width / 2), twipsToPixels(r.top + r.height / 2)};
}

}  // namespace layout
