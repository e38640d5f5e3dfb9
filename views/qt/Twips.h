#pragma once

#include <QColor>
#include <QRect>

#include "forms/Layout.h"
#include "gamma/BgrColor.h"

// Qt's logical pixels play the role of the design's 96-dpi pixels, so high-density screens scale
// evenly.
inline float pixelsToTwips(double pixels) {
    return static_cast<float>(pixels * layout::kTwipsPerPixel);
}

inline QRect toQRect(const layout::TwipsRect& r) {
    const layout::PixelRect px = layout::toPixels(r);
    return QRect(px.left, px.top, px.width, px.height);
}

inline QColor fromBgr(BgrColor bgr) {
    return QColor(bgr.red(), bgr.green(), bgr.blue());
}
