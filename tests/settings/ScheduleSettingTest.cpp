#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <string>

#include "platform/linux/IniProfileFile.h"
#include "settings/ColorSetting.h"
#include "settings/ScheduleSetting.h"
#include "support/Files.h"
#include "support/MemoryPlatform.h"

using settings::LoadScheduleSetting;
using settings::SaveScheduleSetting;
using settings::ScheduleSetting;

namespace {

TEST(ScheduleSetting, RoundTripsBesideTheColourWhichStaysByteForByte) {
    QTemporaryDir tmp;
    MemorySettingsDirectory dir;
    dir.dir = tmp.path().toStdString();
    const std::string path = settings::settingsFilePath(dir.dir);
    IniProfileFile ini;
    writeBytes(path, "[Setting]\r\ncolor=16744448\r\n");
    const ScheduleSetting cases[] = {
        {*schedule::parse("22:30-06:15").schedule, 90, true},
        {*schedule::parse("sun:-33.8688,151.2093").schedule, 0, false},
        {Schedule{}, 60, false},
    };
    for (const ScheduleSetting& s : cases) {
        SCOPED_TRACE(schedule::format(s.schedule));
        ASSERT_TRUE(SaveScheduleSetting(ini, dir.dir, s));
        EXPECT_EQ(LoadScheduleSetting(ini, dir.dir), s);
        const std::string bytes = readBytes(path);
        EXPECT_EQ(bytes.rfind("[Setting]\r\ncolor=16744448\r\n", 0), 0u) << bytes;
        EXPECT_NE(bytes.find("[Schedule]"), std::string::npos);
    }
    std::string winPath;
    const settings::LoadedColor color = settings::LoadColorSetting(ini, dir, winPath);
    EXPECT_TRUE(color.found);
    EXPECT_EQ(color.color, BgrColor(16744448));
}

TEST(ScheduleSetting, EachDamagedValueFallsBackOnItsOwn) {
    struct Case {
        const char* schedule;  // nullptr: key missing
        const char* fade;
        const char* automatic;
        const char* wantSchedule;
        int wantFade;
        bool wantAutomatic;
    };
    const Case cases[] = {
        {nullptr, nullptr, nullptr, "off", 60, true},
        {"22:00-07:00", "30", "0", "22:00-07:00", 30, false},
        {"25:00-07:00", "30", "1", "off", 30, true},
        {"sun:91,0", "-5", "1", "off", 60, true},
        {"sun:abc", "1e3", "yes", "off", 60, true},
        {"\x01\xff garbage", "3601", "", "off", 60, true},
        {"07:00-22:00", "60s", "0", "07:00-22:00", 60, false},
        {"sun:52.52,13.405", "99999999999999999999", "0", "sun:52.52,13.405", 60, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.schedule ? c.schedule : "(missing)");
        MemoryProfileFile memory;
        const std::string path = settings::settingsFilePath("/memory/config");
        memory.values[{path, "Setting", "color"}] = "255";
        if (c.schedule) {
            memory.values[{path, "Schedule", "schedule"}] = c.schedule;
            memory.values[{path, "Schedule", "fade"}] = c.fade;
            memory.values[{path, "Schedule", "automatic"}] = c.automatic;
        }
        const ScheduleSetting got = LoadScheduleSetting(memory, "/memory/config");
        EXPECT_EQ(schedule::format(got.schedule), c.wantSchedule);
        EXPECT_EQ(got.fadeSeconds, c.wantFade);
        EXPECT_EQ(got.automatic, c.wantAutomatic);
    }
}

TEST(ScheduleSetting, NoFolderKeepsNothing) {
    MemoryProfileFile memory;
    EXPECT_FALSE(SaveScheduleSetting(memory, "", ScheduleSetting{}));
    EXPECT_EQ(memory.writes, 0);
    EXPECT_EQ(LoadScheduleSetting(memory, ""), ScheduleSetting{});
}

}  // namespace
