#include <gtest/gtest.h>

#include <pwd.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <cstdlib>
#include <optional>
#include <string>

#include "platform/linux/IniProfileFile.h"
#include "platform/linux/XdgSettingsDirectory.h"
#include "settings/ColorSetting.h"
#include "support/Files.h"
#include "support/MemoryPlatform.h"
#include "support/ScopedEnv.h"

TEST(SettingsLocation, ConfigHomeWithoutTrailingSeparator) {
    QTemporaryDir temp;
    const std::string base = temp.path().toStdString();
    XdgSettingsDirectory dir;
    {
        ScopedEnv env("XDG_CONFIG_HOME", base);
        EXPECT_EQ(dir.directory(), base);
    }
    {
        ScopedEnv env("XDG_CONFIG_HOME", base + "//");
        EXPECT_EQ(dir.directory(), base);
    }
    {
        ScopedEnv home("HOME", base);
        ScopedEnv env("XDG_CONFIG_HOME", std::nullopt);
        EXPECT_EQ(dir.directory(), base + "/.config");
    }
}

TEST(SettingsLocation, FirstRunOnAFreshAccountCreatesTheConfigDirectory) {
    QTemporaryDir temp;
    const std::string config = temp.path().toStdString() + "/home/.config";
    ScopedEnv env("XDG_CONFIG_HOME", config);
    XdgSettingsDirectory dir;
    IniProfileFile ini;
    std::string winPath;

    EXPECT_FALSE(settings::LoadColorSetting(ini, dir, winPath).found);
    EXPECT_EQ(winPath, config);
    settings::SaveColorSetting(ini, winPath, BgrColor(16711680));
    EXPECT_EQ(readBytes(config + "/Dimwarden.ini"), "[Setting]\ncolor=16711680\n");

    const settings::LoadedColor loaded = settings::LoadColorSetting(ini, dir, winPath);
    EXPECT_TRUE(loaded.found);
    EXPECT_EQ(loaded.color, BgrColor(16711680));
}

TEST(SettingsLocation, HomeFromThePasswordDatabaseAndNothingKeptWithoutOne) {
    ScopedEnv config("XDG_CONFIG_HOME", std::nullopt);
    ScopedEnv home("HOME", std::nullopt);
    EXPECT_EQ(XdgSettingsDirectory().directory(),
              std::string(::getpwuid(::geteuid())->pw_dir) + "/.config");

    // nobody's home does not exist: nothing may land on the root of the file system.
    MemoryProfileFile profile;
    MemorySettingsDirectory none;
    none.dir = "";
    std::string winPath;
    EXPECT_FALSE(settings::LoadColorSetting(profile, none, winPath).found);
    EXPECT_FALSE(settings::SaveColorSetting(profile, winPath, BgrColor(255)));
    EXPECT_EQ(profile.reads + profile.writes, 0);
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to run as 'nobody', a user without a home";
    }
    XdgSettingsDirectory dir;
    ASSERT_EQ(::seteuid(65534), 0);
    ::testing::internal::CaptureStderr();
    const std::string seen = dir.directory() + dir.directory();
    const std::string said = ::testing::internal::GetCapturedStderr();
    ASSERT_EQ(::seteuid(0), 0);
    EXPECT_EQ(seen, "");
    EXPECT_EQ(said, "dimwarden: no home folder, so the colour is not kept\n");
}
