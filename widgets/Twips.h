#pragma once

#include <QColor>
#include <QRect>
#include <cmath>
#include <cstdint>

// Window geometry is designed in twips (1/1440 inch); at the design density of 96 dots per inch
// a pixel is 15 twips. Qt's logical pixels play that role, so high-density screens scale evenly.
constexpr float kTwipsPerPixel = 15.0f;

struct TwipsRect {
    float left = 0;
    float top = 0;
    float width = 0;
    float height = 0;
};

inline int twipsToPixels(float twips) {
    return static_cast<int>(std::lround(twips / kTwipsPerPixel));
}
inline float pixelsToTwips(double pixels) {
    return static_cast<float>(pixels * kTwipsPerPixel);
}

inline QRect toPixels(const TwipsRect& r) {
    return QRect(twipsToPixels(r.left), twipsToPixels(r.top), twipsToPixels(r.width),
                 twipsToPixels(r.height));
}

// Colours are kept as 0x00BBGGRR values: red in the low byte.
inline QColor fromBgr(std::uint32_t bgr) {
    return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                  static_cast<int>((bgr >> 16) & 0xFF));
}
