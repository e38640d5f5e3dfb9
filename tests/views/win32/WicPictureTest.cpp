#include <gtest/gtest.h>

#include "WindowsResources.h"
#include "views/win32/WicPicture.h"

// Every picture of the windows decodes from the program's resources at its size, on its ground
// (the outer frame of each picture is exactly the colour of the area it sits on).
TEST(WicPicture, DecodesEveryPictureFromTheResources) {
    struct Case {
        int id;
        const char* name;
        int size;
        std::uint32_t ground;  // 0xAARRGGBB
    };
    const Case cases[] = {
        {DIMWARDEN_PNG_MINI_NORMAL, "mini_normal", 32, 0xFFF2F2F2},
        {DIMWARDEN_PNG_MINI_FOCUS, "mini_focus", 32, 0xFFF2F2F2},
        {DIMWARDEN_PNG_CLOSE_NORMAL, "close_normal", 32, 0xFFF2F2F2},
        {DIMWARDEN_PNG_CLOSE_FOCUS, "close_focus", 32, 0xFFF2F2F2},
        {DIMWARDEN_PNG_SETTING_BADGE, "setting_badge", 48, 0xFF00A7D1},
        {DIMWARDEN_PNG_ADVANCED_BADGE, "advanced_badge", 48, 0xFF0093B8},
        {DIMWARDEN_PNG_LAMP_NIGHT, "lamp_night", 96, 0xFFF3F9FC},
        {DIMWARDEN_PNG_LAMP_NORMAL, "lamp_normal", 96, 0xFFF3F9FC},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const win::Picture picture = win::decodePngResource(c.id);
        ASSERT_EQ(picture.width, c.size);
        ASSERT_EQ(picture.height, c.size);
        EXPECT_EQ(picture.at(0, 0), c.ground);
        EXPECT_EQ(picture.at(c.size - 1, c.size - 1), c.ground);
        HBITMAP bitmap = win::createBitmap(picture);
        BITMAP info = {};
        ASSERT_NE(bitmap, nullptr);
        ASSERT_EQ(GetObjectW(bitmap, sizeof info, &info), static_cast<int>(sizeof info));
        EXPECT_EQ(info.bmWidth, c.size);
        EXPECT_EQ(info.bmBitsPixel, 32);
        DeleteObject(bitmap);
    }
    // The hover picture differs from the normal one: the orange of the bar.
    const win::Picture normal = win::decodePngResource(DIMWARDEN_PNG_MINI_NORMAL);
    const win::Picture focus = win::decodePngResource(DIMWARDEN_PNG_MINI_FOCUS);
    EXPECT_NE(normal.pixels, focus.pixels);
}

TEST(WicPicture, AMissingOrDamagedResourceGivesNothing) {
    EXPECT_TRUE(win::decodePngResource(9999).empty());
    // The icon group is a resource, but no RCDATA and no PNG.
    EXPECT_TRUE(win::decodePngResource(DIMWARDEN_ICON).empty());
    EXPECT_EQ(win::createBitmap({}), nullptr);
}
