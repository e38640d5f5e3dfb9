// The palette's colours and the rule that places its swatches.
#include <gtest/gtest.h>

#include "color_picker/core/Palette.h"

namespace {

struct Rgb {
    int r, g, b;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

Rgb rgbOf(BgrColor c) {
    return {c.red(), c.green(), c.blue()};
}

// Swatches at their laid-out size, each at some position of its own: the rule must ignore it.
palette::Grid laidOut(float size = 375) {
    palette::Grid g;
    for (int i = 0; i < palette::kSwatchCount; ++i) {
        g[i] = {static_cast<float>(7000 - 97 * i), static_cast<float>(31 * i), size, size};
    }
    return g;
}

}  // namespace

TEST(PaletteColors, ComponentsReadRedFromTheLowByte) {
    struct Case {
        int index;
        Rgb rgb;
    };
    // 19 and 20 are neighbours that differ in red only.
    const Case cases[] = {
        {0, {0, 0, 0}},        {1, {80, 127, 255}}, {10, {255, 0, 255}},   {11, {0, 255, 255}},
        {12, {87, 207, 227}},  {19, {0, 97, 255}},  {20, {3, 97, 255}},    {22, {0, 128, 255}},
        {25, {128, 148, 163}}, {26, {15, 54, 138}}, {38, {140, 180, 210}}, {39, {255, 0, 0}},
        {42, {70, 23, 11}},    {51, {255, 255, 0}},
    };
    for (const Case& c : cases) {
        const Rgb got = rgbOf(palette::kColors[c.index]);
        EXPECT_EQ(got, c.rgb) << "swatch " << c.index << " is (" << got.r << ", " << got.g << ", "
                              << got.b << ")";
    }
}

TEST(PalettePlacement, GridOfThirteenByFourAtTheLaidOutPitch) {
    const palette::Grid g = palette::placeSwatches(laidOut(), 975);
    for (int i = 0; i < palette::kSwatchCount; ++i) {
        const int row = i / 13;
        const int column = i % 13;
        EXPECT_EQ(g[i].left, 200.0f + 475.0f * static_cast<float>(column)) << "swatch " << i;
        EXPECT_EQ(g[i].top, 1315.0f + 575.0f * static_cast<float>(row)) << "swatch " << i;
        EXPECT_EQ(g[i].width, 400.0f) << "swatch " << i;
        EXPECT_EQ(g[i].height, 400.0f) << "swatch " << i;
    }
}

TEST(PalettePlacement, PitchComesFromSwatchZeroWidthAndEachRowsFirstHeight) {
    palette::Grid in = laidOut();
    in[0].width = 300;    // sets the column step of every row
    in[14].width = 999;   // never read
    in[13].height = 500;  // sets the step from row 1 to row 2 only
    const palette::Grid g = palette::placeSwatches(in, 1000);

    EXPECT_EQ(g[0].top, 1340.0f);
    EXPECT_EQ(g[12].left, 200.0f + 400.0f * 12);
    EXPECT_EQ(g[15].left, 200.0f + 400.0f * 2);
    EXPECT_EQ(g[51].left, 200.0f + 400.0f * 12);
    EXPECT_EQ(g[13].top, 1340.0f + 375 + 200);
    EXPECT_EQ(g[26].top, g[13].top + 500 + 200);
    EXPECT_EQ(g[39].top, g[26].top + 375 + 200);
    EXPECT_EQ(g[14].width, 400.0f);
}
