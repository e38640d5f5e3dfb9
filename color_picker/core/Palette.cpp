#include "color_picker/core/Palette.h"

namespace palette {

namespace {

// As 0x00BBGGRR values (red in the low byte).
// clang-format off
constexpr std::array<std::uint32_t, kSwatchCount> kValues = {
    0x00000000, 0x00FF7F50, 0x00B22222, 0x00B0171F, 0x00B03060, 0x00FFC0CB, 0x00872657,
    0x00FA8072, 0x00FF6347, 0x00FF4500, 0x00FF00FF, 0x00FFFF00, 0x00E3CF57,

    0x00FF9912, 0x00EB8E55, 0x00FFE384, 0x00FFD700, 0x00DAA569, 0x00E3A869, 0x00FF6100,
    0x00FF6103, 0x00ED9121, 0x00FF8000, 0x00F5DEB3, 0x00802A2A, 0x00A39480,

    0x008A360F, 0x00873324, 0x00D2691E, 0x00FF7D40, 0x00F0E68C, 0x00BC8F8F, 0x00C76114,
    0x00734A12, 0x005E2612, 0x00A0522D, 0x008B4513, 0x00F4A460, 0x00D2B48C,

    0x000000FF, 0x003D59AB, 0x001E90FF, 0x000B1746, 0x0003A89E, 0x00191970, 0x0033A1C9,
    0x0000C78C, 0x00B0E0E6, 0x004169E1, 0x006A5ACD, 0x0087CEEB, 0x0000FFFF,
};
// clang-format on

constexpr std::array<BgrColor, kSwatchCount> colorsOf(
    const std::array<std::uint32_t, kSwatchCount>& v) {
    std::array<BgrColor, kSwatchCount> colors{};
    for (std::size_t i = 0; i < v.size(); ++i) {
        colors[i] = BgrColor(v[i]);
    }
    return colors;
}

}  // namespace

const std::array<BgrColor, kSwatchCount> kColors = colorsOf(kValues);

namespace {

constexpr float kMarginLeft = 200;
constexpr float kBelowTopBar = 340;
constexpr float kColumnGap = 100;
constexpr float kRowGap = 200;
constexpr float kFinalSize = 400;

// Places the rest of a row to the right of its first swatch. The step is always swatch 0's width,
// whatever the row; with equal laid-out sizes that makes no difference.
void continueRow(Grid& s, int first) {
    for (int i = first + 1; i < first + kColumns; ++i) {
        s[i].left = s[0].width + s[i - 1].left + kColumnGap;
        s[i].top = s[i - 1].top;
    }
}

}  // namespace

Grid placeSwatches(Grid s, float topBarHeight) {
    s[0].top = topBarHeight + kBelowTopBar;
    s[0].left = kMarginLeft;
    continueRow(s, 0);
    for (int row = 1; row < kRows; ++row) {
        const int first = row * kColumns;
        const Rect& above = s[first - kColumns];
        s[first].top = above.height + above.top + kRowGap;
        s[first].left = kMarginLeft;
        continueRow(s, first);
    }
    // Growing only now keeps the pitch of the laid-out size.
    for (Rect& r : s) {
        r.width = kFinalSize;
        r.height = kFinalSize;
    }
    return s;
}

}  // namespace palette
