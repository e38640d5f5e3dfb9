// Pictures resized for high-density screens: smooth, and exact where the picture is flat.
#include <gtest/gtest.h>

#include "views/win32/ScaledPicture.h"

TEST(ScaledPicture, AreaAveragedAtEverySize) {
    constexpr std::uint32_t k = 0xFF000000;  // opaque black
    constexpr std::uint32_t w = 0xFFFFFFFF;  // opaque white
    constexpr std::uint32_t blue = 0xFF388DF3;
    struct Case {
        const char* what;
        win::Picture from;
        int width;
        int height;
        std::vector<std::uint32_t> want;
    };
    const Case cases[] = {
        {"a flat picture grown by half stays its colour",
         {2, 2, {blue, blue, blue, blue}},
         3,
         3,
         std::vector<std::uint32_t>(9, blue)},
        // The middle pixel covers half of each source pixel.
        {"an edge grown by half blends where it falls inside a pixel",
         {2, 1, {k, w}},
         3,
         1,
         {k, 0xFF808080, w}},
        {"blocks shrunk to a pixel each keep their colours",
         {4, 2, {k, k, w, w, k, k, w, w}},
         2,
         1,
         {k, w}},
        {"a checkerboard shrunk to one pixel is its mean",
         {2, 2, {k, w, w, k}},
         1,
         1,
         {0xFF808080}},
        {"no size is no picture", {2, 1, {k, w}}, 0, 1, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const win::Picture got = scaledPicture(c.from, c.width, c.height);
        EXPECT_EQ(got.pixels, c.want);
        if (!c.want.empty()) {
            EXPECT_EQ(got.width, c.width);
            EXPECT_EQ(got.height, c.height);
        }
    }
}
