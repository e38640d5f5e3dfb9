#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <string>

#include "platform/win32/Win32ProfileFile.h"
#include "platform/win32/Win32SettingsDirectory.h"
#include "settings/ColorSetting.h"
#include "settings/ProfileFileCases.h"
#include "support/Files.h"

namespace fs = std::filesystem;

TEST(Win32ProfileFile, SharedCaseTable) {
    const fs::path dir =
        fs::temp_directory_path() / ("dimwarden-" + std::to_string(GetCurrentProcessId()));
    fs::create_directories(dir);
    Win32ProfileFile profile;
    checkProfileCases(profile, dir, ProfileBackend::System);
    fs::remove_all(dir);
}

// The settings file goes into the real Windows directory (C:\windows under Wine). A file that is
// there already is put back afterwards.
TEST(Win32SettingsDirectory, ColourRoundTripThroughTheWindowsDirectory) {
    Win32SettingsDirectory windowsDir;
    const std::string dir = windowsDir.directory();
    ASSERT_FALSE(dir.empty());
    EXPECT_NE(dir.back(), '\\');
    EXPECT_TRUE(fs::is_directory(dir));
    char system[MAX_PATH] = {};
    ASSERT_GT(GetSystemDirectoryA(system, MAX_PATH), 0u);
    EXPECT_EQ(fs::path(system).parent_path(), fs::path(dir)) << "system32 lies in it";

    const std::string file = dir + "\\Dimwarden.ini";
    const bool existed = fs::exists(file);
    const std::string kept = existed ? readBytes(file) : std::string();

    Win32ProfileFile profile;
    std::string winPath;
    settings::SaveColorSetting(profile, dir, BgrColor(65280));
    const settings::LoadedColor loaded = settings::LoadColorSetting(profile, windowsDir, winPath);
    const std::string written = readBytes(file);

    if (existed) {
        writeBytes(file, kept);
    } else {
        fs::remove(file);
    }
    EXPECT_TRUE(loaded.found);
    EXPECT_EQ(loaded.color, BgrColor(65280));
    EXPECT_EQ(winPath, dir);
    EXPECT_NE(written.find("color=65280"), std::string::npos) << written;
}
