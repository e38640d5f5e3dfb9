// Two pictures of one window held against each other region by region: a synthetic window drawn
// once, then drawn again with one thing changed.
#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "support/PictureMatch.h"

namespace {

using layout::Kind;
using picture_match::Image;

constexpr std::uint32_t kGround = 0xF3F9FC;
constexpr std::uint32_t kBand = 0x00A7D1;
constexpr std::uint32_t kSwatch = 0x0080FF;
constexpr std::uint32_t kBar = 0xDCDCDC;
constexpr std::uint32_t kInk = 0xFFFFFF;

// In pixels; the table holds twips.
constexpr layout::TwipsRect px(float left, float top, float width, float height) {
    return {left * 15, top * 15, width * 15, height * 15};
}

// A band holding a caption and a scroll bar; a wide swatch below it, on the window's ground, so
// that one pixel's move is less than 1% of it.
const std::array<layout::Control, 4> kTable = {{
    {.name = "band",
     .kind = Kind::Frame,
     .rect = px(0, 10, 240, 20),
     .back = BgrColor(0xD1A700),
     .stack = 1},
    {.name = "caption", .kind = Kind::Label, .parent = 0, .rect = px(4, 4, 16, 10), .stack = 2},
    {.name = "bar", .kind = Kind::ScrollBar, .parent = 0, .rect = px(40, 4, 36, 10), .stack = 0},
    {.name = "swatch", .kind = Kind::PictureBox, .rect = px(40, 34, 160, 8), .stack = 0},
}};

void fill(Image& img, int left, int top, int width, int height, std::uint32_t colour) {
    for (int y = top; y < top + height; ++y) {
        for (int x = left; x < left + width; ++x) {
            img.rgb[static_cast<std::size_t>(y * img.width + x)] = colour;
        }
    }
}

// The window as a view draws it, with the caption's text `textWidth` pixels wide and the swatch
// `swatchLeft` from the left.
Image draw(int textWidth = 12, int swatchLeft = 40, std::uint32_t swatch = kSwatch) {
    Image img{240, 50, std::vector<std::uint32_t>(240 * 50, kGround)};
    fill(img, 0, 10, 240, 20, kBand);
    fill(img, 4, 16, textWidth, 6, kInk);
    fill(img, 40, 14, 36, 10, kBar);
    fill(img, 41, 15, 6, 8, 0x404040);  // the thumb, drawn the toolkit's way
    fill(img, swatchLeft, 34, 160, 8, swatch);
    return img;
}

std::vector<std::string> failing(const Image& a, const Image& b) {
    const picture_match::Regions regions =
        picture_match::paint(kTable, BgrColor(0xFCF9F3), 240, 50,
                             [](int index, int) { return layout::inWindow(kTable, index); });
    std::vector<std::string> names;
    for (const picture_match::Verdict& v : picture_match::compare(a, b, regions)) {
        if (!v.ok) {
            names.push_back(v.name);
        }
    }
    return names;
}

}  // namespace

TEST(PictureMatch, FontsAndToolkitLooksPassAMovedOrMissingControlFails) {
    struct Case {
        const char* what;
        std::function<Image()> other;
        std::vector<std::string> failing;
    };
    const std::vector<Case> cases = {
        {"the same picture", [] { return draw(); }, {}},
        {"wider text in another face", [] { return draw(22); }, {}},
        {"a colour a decoder rounds differently", [] { return draw(12, 40, 0x0A8AF5); }, {}},
        {"a scroll bar drawn another way",
         [] {
             Image b = draw();
             fill(b, 40, 14, 36, 10, 0xF0F0F0);
             fill(b, 60, 15, 4, 8, 0x202020);
             return b;
         },
         {}},
        {"the swatch one pixel to the right", [] { return draw(12, 41); }, {"swatch"}},
        {"the swatch in another colour", [] { return draw(12, 40, 0xFF8000); }, {"swatch"}},
        {"a scroll bar one pixel short",
         [] {
             Image b = draw();
             fill(b, 75, 14, 1, 10, kBand);
             return b;
         },
         {"bar"}},
        {"no caption", [] { return draw(0); }, {"caption"}},
        {"the caption three pixels lower",
         [] {
             Image b = draw(0);
             fill(b, 4, 19, 12, 6, kInk);
             return b;
         },
         {"caption"}},
    };
    const Image a = draw();
    for (const Case& c : cases) {
        EXPECT_EQ(failing(a, c.other()), c.failing) << c.what;
    }
}
