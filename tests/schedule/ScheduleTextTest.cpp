#include <gtest/gtest.h>

#include "schedule/Schedule.h"

namespace {

TEST(ScheduleText, GoodTextParsesAndPrintsInItsOwnForm) {
    struct Case {
        const char* text;
        const char* printed;
    };
    const Case cases[] = {
        {"22:00-07:00", "22:00-07:00"},
        {"7:05-9:30", "07:05-09:30"},
        {"  00:00 - 23:59 ", "00:00-23:59"},
        {"off", "off"},
        {" OFF ", "off"},
        {"sun:52.52,13.405", "sun:52.52,13.405"},
        {"SUN: -33.8688 , +151.2093", "sun:-33.8688,151.2093"},
        {"sun:90,-180", "sun:90,-180"},
        {"sun:-0.00001,0", "sun:0,0"},
        {"sun:12.345678,1", "sun:12.3457,1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const schedule::Parsed p = schedule::parse(c.text);
        ASSERT_TRUE(p.schedule) << p.error;
        EXPECT_TRUE(p.error.empty());
        EXPECT_EQ(schedule::format(*p.schedule), c.printed);
        // What is printed reads back as the same schedule.
        const schedule::Parsed again = schedule::parse(schedule::format(*p.schedule));
        ASSERT_TRUE(again.schedule);
        EXPECT_EQ(*again.schedule, *p.schedule);
    }
}

TEST(ScheduleText, BadTextIsAnErrorThatSaysWhy) {
    struct Case {
        const char* text;
        const char* mentions;
    };
    const Case cases[] = {
        {"25:00-07:00", "HH:MM"},    {"22:60-07:00", "HH:MM"},      {"22:00", "HH:MM-HH:MM"},
        {"22:00-", "HH:MM"},         {"2200-0700", "HH:MM"},        {"22:0-07:00", "HH:MM"},
        {"-1:00-07:00", "HH:MM"},    {"22:00-22:00", "different"},  {"", "HH:MM-HH:MM"},
        {"sun:abc", "sun:LATITUDE"}, {"sun:abc,1", "decimal"},      {"sun:91,0", "latitude"},
        {"sun:-90.5,0", "latitude"}, {"sun:0,180.01", "longitude"}, {"sun:1e1,0", "decimal"},
        {"sun:nan,0", "decimal"},    {"sun:,", "decimal"},          {"sun:1.2.3,0", "decimal"},
        {"moon:1,2", "HH:MM-HH:MM"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const schedule::Parsed p = schedule::parse(c.text);
        EXPECT_FALSE(p.schedule);
        EXPECT_NE(p.error.find(c.mentions), std::string::npos) << p.error;
    }
}

}  // namespace
