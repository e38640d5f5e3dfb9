#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <cstdlib>
#include <optional>
#include <string>

#include "platform/posix/IniProfileFile.h"
#include "platform/posix/XdgSettingsDirectory.h"
#include "settings/ColorSetting.h"
#include "support/Files.h"
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
    std::int32_t length = 0;

    EXPECT_FALSE(settings::LoadColorSetting(ini, dir, winPath, length).found);
    EXPECT_EQ(winPath, config);
    settings::SaveColorSetting(ini, winPath, 16711680);
    EXPECT_EQ(readBytes(config + "/Dimwarden.ini"), "[Setting]\ncolor=16711680\n");

    const settings::LoadedColor loaded = settings::LoadColorSetting(ini, dir, winPath, length);
    EXPECT_TRUE(loaded.found);
    EXPECT_EQ(loaded.color, 16711680);
}
