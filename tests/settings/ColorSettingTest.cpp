#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "platform/linux/IniProfileFile.h"
#include "settings/ColorSetting.h"
#include "support/Files.h"
#include "support/MemoryPlatform.h"

using settings::DefaultTintColor;
using settings::LoadColorSetting;
using settings::LoadedColor;
using settings::SaveColorSetting;
using settings::settingsFilePath;

namespace {

// The stored colour over the in-memory profile: raw values go straight into its table.
class MemoryStore {
  public:
    MemoryStore() { dir.dir = "/memory/config"; }
    ProfileFile& profile() { return memory; }
    void putRaw(const std::string& value) {
        memory.values[{settingsFilePath(dir.dir), "Setting", "color"}] = value;
    }
    std::optional<std::string> stored() {
        const auto it = memory.values.find({settingsFilePath(dir.dir), "Setting", "color"});
        return it == memory.values.end() ? std::nullopt : std::optional<std::string>(it->second);
    }

    MemoryProfileFile memory;
    MemorySettingsDirectory dir;
};

// The stored colour over a real file in a private temporary directory.
class IniStore {
  public:
    IniStore() { dir.dir = temp.path().toStdString(); }
    ProfileFile& profile() { return ini; }
    void putRaw(const std::string& value) {
        writeBytes(settingsFilePath(dir.dir), "[Setting]\ncolor=" + value + "\n");
    }
    std::optional<std::string> stored() {
        const std::string fallback = "\x01missing";
        const std::string value = ini.read(settingsFilePath(dir.dir), "Setting", "color", fallback);
        return value == fallback ? std::nullopt : std::optional<std::string>(value);
    }

    QTemporaryDir temp;
    IniProfileFile ini;
    MemorySettingsDirectory dir;
};

template <typename Store>
class ColorSetting : public ::testing::Test {
  protected:
    LoadedColor load() { return LoadColorSetting(store.profile(), store.dir, winPath); }
    void save(std::uint32_t color) { SaveColorSetting(store.profile(), winPath, BgrColor(color)); }

    Store store;
    std::string winPath;
};

using Stores = ::testing::Types<MemoryStore, IniStore>;
TYPED_TEST_SUITE(ColorSetting, Stores);

struct LoadCase {
    std::string value;
    bool found;
    std::uint32_t color;
};

}  // namespace

TYPED_TEST(ColorSetting, NothingStoredGivesTheDefaultNotFound) {
    const LoadedColor loaded = this->load();
    EXPECT_FALSE(loaded.found);
    EXPECT_EQ(loaded.color, BgrColor(16744448));
}

TYPED_TEST(ColorSetting, StoredValueTable) {
    const LoadCase cases[] = {
        {"", false, 16744448u},
        // Read as a leading number (its rules are NumberParseTest's).
        {"0", true, 0u},
        {" \t 65280", true, 65280u},
        {"3.5", true, 4u},
        {"abc", true, 0u},
        {"16777215", true, 16777215u},
        // No plain colour: counts as found, with the default colour.
        {"-1", true, DefaultTintColor.value()},
        {"16777216", true, DefaultTintColor.value()},
        {"2147483648", true, DefaultTintColor.value()},
        // Only the first 254 characters arrive: the last digit of this 255-character value is lost.
        {std::string(252, '0') + "255", true, 25u},
        {std::string(251, '0') + "255", true, 255u},
    };
    for (const LoadCase& c : cases) {
        this->store.putRaw(c.value);
        const LoadedColor loaded = this->load();
        EXPECT_EQ(loaded.found, c.found) << "value: " << c.value;
        EXPECT_EQ(loaded.color.value(), c.color) << "value: " << c.value;
    }
}

TYPED_TEST(ColorSetting, ColoursRoundTripExactly) {
    for (const std::uint32_t color : {0u, 255u, 65280u, 16711680u, 16744448u, 16777215u}) {
        this->load();
        this->save(color);
        EXPECT_EQ(this->store.stored(), std::to_string(color));
        const LoadedColor loaded = this->load();
        EXPECT_TRUE(loaded.found) << color;
        EXPECT_EQ(loaded.color.value(), color);
    }
}

TYPED_TEST(ColorSetting, LocationIsTheWholeDirectoryEvenPastEightyCharacters) {
    std::string longDir = this->store.dir.dir + "/" + std::string(90, 'd');
    ASSERT_GT(longDir.size(), 80u);
    this->store.dir.dir = longDir;

    EXPECT_FALSE(this->load().found);
    EXPECT_EQ(this->winPath, longDir);

    this->save(65280);
    const LoadedColor loaded = this->load();
    EXPECT_TRUE(loaded.found);
    EXPECT_EQ(loaded.color, BgrColor(65280));
}

// Real files only: what is on disk after a save.

class ColorSettingFile : public ::testing::Test {
  protected:
    QTemporaryDir temp;
    IniProfileFile ini;
    MemorySettingsDirectory dir;
    std::string winPath;
};

TEST_F(ColorSettingFile, SaveCreatesDirectoryFileAndSection) {
    dir.dir = temp.path().toStdString() + "/fresh/config";
    EXPECT_FALSE(LoadColorSetting(ini, dir, winPath).found);
    ASSERT_FALSE(std::filesystem::exists(dir.dir));

    SaveColorSetting(ini, winPath, BgrColor(16744448));
    EXPECT_EQ(readBytes(dir.dir + "/Dimwarden.ini"), "[Setting]\ncolor=16744448\n");

    SaveColorSetting(ini, winPath, BgrColor(65280));
    EXPECT_EQ(readBytes(dir.dir + "/Dimwarden.ini"), "[Setting]\ncolor=65280\n");
}

TEST_F(ColorSettingFile, EmptyOrBlankEntryOrMissingKeyIsNotFound) {
    dir.dir = temp.path().toStdString();
    const std::string path = dir.dir + "/Dimwarden.ini";
    for (const char* content : {"", "[Setting]\n", "[Setting]\ncolor=\n", "[Setting]\ncolor= \t \n",
                                "[Other]\ncolor=255\n", "color=255\n"}) {
        writeBytes(path, content);
        const LoadedColor loaded = LoadColorSetting(ini, dir, winPath);
        EXPECT_FALSE(loaded.found) << content;
        EXPECT_EQ(loaded.color, DefaultTintColor) << content;
    }
}

TEST_F(ColorSettingFile, FailedSaveIsQuietAndKeepsNothing) {
    // A directory path that runs through a regular file cannot be created, even by root.
    const std::string blocker = temp.path().toStdString() + "/plain-file";
    writeBytes(blocker, "not a directory");
    dir.dir = blocker + "/config";

    LoadColorSetting(ini, dir, winPath);
    SaveColorSetting(ini, winPath, BgrColor(255));
    EXPECT_FALSE(LoadColorSetting(ini, dir, winPath).found);
    EXPECT_EQ(readBytes(blocker), "not a directory");
}
