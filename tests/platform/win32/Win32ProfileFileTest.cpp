#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

#include "platform/win32/Win32ProfileFile.h"
#include "platform/win32/Win32SettingsDirectory.h"
#include "platform/win32/common/WinText.h"
#include "settings/ColorSetting.h"
#include "settings/ProfileFileCases.h"
#include "settings/UntintedOutputsCases.h"

namespace fs = std::filesystem;

namespace {

// A folder of its own under the temporary folder, removed afterwards. The name holds characters
// outside any ANSI code page, as a user name may.
class TempFolder {
  public:
    TempFolder()
        : path_(fs::temp_directory_path() /
                (L"dimwarden-\u00e9\u4e2d\u0436-" + std::to_wstring(GetCurrentProcessId()))) {
        fs::remove_all(path_);
        fs::create_directories(path_);
    }
    ~TempFolder() { fs::remove_all(path_); }
    const fs::path& path() const { return path_; }
    std::string utf8(const std::wstring& below = {}) const {
        return win::toUtf8((below.empty() ? path_ : path_ / below).wstring());
    }

  private:
    fs::path path_;
};

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFile(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

}  // namespace

TEST(Win32ProfileFile, SharedCaseTable) {
    // The table names its files in the ANSI code page: an ASCII folder.
    const fs::path dir =
        fs::temp_directory_path() / ("dimwarden-" + std::to_string(GetCurrentProcessId()));
    fs::create_directories(dir);
    Win32ProfileFile profile;
    checkProfileCases(profile, dir, ProfileBackend::System);
    fs::remove_all(dir);
}

TEST(Win32SettingsDirectory, TheWindowsDirectoryHoldsTheSystemFolder) {
    const std::string dir = Win32SettingsDirectory::windowsDirectory();
    ASSERT_FALSE(dir.empty());
    EXPECT_NE(dir.back(), '\\');
    char system[MAX_PATH] = {};
    ASSERT_GT(GetSystemDirectoryA(system, MAX_PATH), 0u);
    EXPECT_EQ(fs::path(system).parent_path(), fs::path(dir));
}

// The colour goes to %APPDATA%\Dimwarden; a file in the Windows directory is read only while the
// new folder has none.
TEST(Win32SettingsDirectory, ReadsTheOldFileUntilANewOneExistsAndWritesOnlyTheNew) {
    struct Case {
        const char* name;
        std::optional<std::string> newFile;
        std::optional<std::string> oldFile;
        bool found;
        BgrColor color;
    };
    const Case cases[] = {
        {"neither", std::nullopt, std::nullopt, false, settings::DefaultTintColor},
        {"old only", std::nullopt, "[Setting]\r\ncolor=255\r\n", true, BgrColor(255)},
        {"new only", "[Setting]\r\ncolor=65280\r\n", std::nullopt, true, BgrColor(65280)},
        {"both: the new wins", "[Setting]\r\ncolor=65280\r\n", "[Setting]\r\ncolor=255\r\n", true,
         BgrColor(65280)},
        // The new file exists, so the old one no longer counts, even when the new has no colour.
        {"new without a colour", "[Other]\r\n", "[Setting]\r\ncolor=255\r\n", false,
         settings::DefaultTintColor},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder root;
        fs::create_directories(root.path() / L"Windows");
        const fs::path newFile = root.path() / L"AppData" / L"Dimwarden" / L"Dimwarden.ini";
        const fs::path oldFile = root.path() / L"Windows" / L"Dimwarden.ini";
        if (c.newFile) {
            fs::create_directories(newFile.parent_path());
            writeFile(newFile, *c.newFile);
        }
        if (c.oldFile) {
            writeFile(oldFile, *c.oldFile);
        }
        Win32SettingsDirectory dir(root.utf8(L"AppData"), root.utf8(L"Windows"));
        Win32ProfileFile profile;
        std::string winPath;
        const settings::LoadedColor loaded = settings::LoadColorSetting(profile, dir, winPath);
        EXPECT_EQ(loaded.found, c.found);
        EXPECT_EQ(loaded.color, c.color);
        EXPECT_EQ(winPath, root.utf8(L"AppData\\Dimwarden"));

        ASSERT_TRUE(settings::SaveColorSetting(profile, winPath, BgrColor(16711680)));
        EXPECT_NE(readFile(newFile).find("color=16711680"), std::string::npos);
        EXPECT_EQ(c.oldFile ? std::optional<std::string>(readFile(oldFile)) : std::nullopt,
                  c.oldFile)
            << "the old file is never written";
        // The next start reads what was written.
        EXPECT_EQ(settings::LoadColorSetting(profile, dir, winPath).color, BgrColor(16711680));
    }
}

TEST(Win32SettingsDirectory, TheSystemsFolderIsTheRoamingApplicationData) {
    char appData[MAX_PATH] = {};
    ASSERT_GT(GetEnvironmentVariableA("APPDATA", appData, MAX_PATH), 0u);
    Win32SettingsDirectory dir;
    EXPECT_EQ(fs::path(dir.directory()), fs::path(appData) / "Dimwarden");
    EXPECT_TRUE(fs::is_directory(fs::path(appData) / "Dimwarden"));
}

TEST(Win32ProfileFile, UntintedOutputsRoundTrip) {
    const fs::path dir =
        fs::temp_directory_path() / ("dimwarden-untinted-" + std::to_string(GetCurrentProcessId()));
    fs::create_directories(dir);
    Win32ProfileFile profile;
    checkUntintedOutputs(profile, dir.string());
    fs::remove_all(dir);
}
