#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "WindowsResources.h"

// This program's own version record; the same resource script goes into the tool.
TEST(VersionRecord, ReadsBack) {
    char path[MAX_PATH] = {};
    ASSERT_GT(GetModuleFileNameA(nullptr, path, MAX_PATH), 0u);
    DWORD ignored = 0;
    std::vector<char> block(GetFileVersionInfoSizeA(path, &ignored));
    ASSERT_FALSE(block.empty());
    ASSERT_TRUE(GetFileVersionInfoA(path, 0, static_cast<DWORD>(block.size()), block.data()));
    auto query = [&block](const std::string& name) -> void* {
        void* value = nullptr;
        UINT length = 0;
        const bool found = VerQueryValueA(block.data(), name.c_str(), &value, &length);
        return found && length > 0 ? value : nullptr;
    };
    auto text = [&query](const std::string& name) -> std::string {
        const void* value = query("\\StringFileInfo\\080404B0\\" + name);
        return value != nullptr ? static_cast<const char*>(value) : "(missing)";
    };

    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(query("\\"));
    ASSERT_NE(fixed, nullptr);
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00050000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
    const auto* translation = static_cast<const WORD*>(query("\\VarFileInfo\\Translation"));
    ASSERT_NE(translation, nullptr);
    EXPECT_EQ(translation[0], 0x0804) << "Chinese (PRC)";
    EXPECT_EQ(translation[1], 1200) << "Unicode";
    EXPECT_EQ(text("FileVersion"), "5.00");
    EXPECT_EQ(text("InternalName"), "Dimwarden_V5.0");
    EXPECT_EQ(text("OriginalFilename"), "Dimwarden_V5.0.exe");
}

// The icon group lists one picture per size (LoadImage would scale a missing size silently).
TEST(ProgramIcon, HoldsTheMonitorAt32And16) {
    HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(DIMWARDEN_ICON), RT_GROUP_ICON);
    ASSERT_NE(found, nullptr);
    const auto* group = static_cast<const BYTE*>(LockResource(LoadResource(nullptr, found)));
    ASSERT_NE(group, nullptr);
    // A 6-byte header, the count at offset 4, then 14-byte entries starting with width and height.
    const int count = group[4] | group[5] << 8;
    ASSERT_EQ(SizeofResource(nullptr, found), static_cast<DWORD>(6 + 14 * count));
    std::vector<std::pair<int, int>> sizes;
    for (int i = 0; i < count; ++i) {
        sizes.emplace_back(group[6 + 14 * i], group[7 + 14 * i]);
    }
    EXPECT_EQ(sizes, (std::vector<std::pair<int, int>>{{32, 32}, {16, 16}}));
}
