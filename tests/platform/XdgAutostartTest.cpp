#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/linux/XdgAutostart.h"
#include "support/Files.h"
#include "support/MemoryPlatform.h"

namespace {

struct Folder {
    QTemporaryDir temp;
    MemorySettingsDirectory config;
    Folder() { config.dir = temp.path().toStdString() + "/config"; }
};

}  // namespace

// Switching on and off from every state the folder can be in: an entry of this program's is
// written and removed, anyone else's is never touched and the answer says so.
TEST(XdgAutostart, WritesAndRemovesOnlyItsOwnEntry) {
    const std::string foreign = "[Desktop Entry]\nType=Application\nName=Mine\nExec=dimwarden\n";
    const std::string hidden = foreign + "Hidden=true\n";
    struct Case {
        const char* what;
        const char* before;  // null: no file
        bool on;
        bool enabledAfter;
        bool refused;  // a reason is given and the file is as it was
    };
    const Case cases[] = {
        {"none, on", nullptr, true, true, false},
        {"none, off", nullptr, false, false, false},
        {"ours, off", "", false, false, false},
        {"ours, on", "", true, true, false},
        {"foreign, on", foreign.c_str(), true, true, false},
        {"foreign, off", foreign.c_str(), false, true, true},
        {"foreign hidden, on", hidden.c_str(), true, false, true},
        {"foreign hidden, off", hidden.c_str(), false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Folder folder;
        XdgAutostart autostart(folder.config, "/opt/dim warden/bin/dimwarden");
        const std::string file = autostart.path();
        ASSERT_EQ(file, folder.config.dir + "/autostart/io.github.dimwarden.Dimwarden.desktop");
        std::string before;
        if (c.before != nullptr) {
            std::filesystem::create_directories(folder.config.dir + "/autostart");
            before = *c.before != '\0' ? c.before : XdgAutostart::entryFor("/old/dimwarden");
            writeBytes(file, before);
        }
        const std::string answer = autostart.set(c.on);
        EXPECT_EQ(autostart.enabled(), c.enabledAfter);
        if (c.refused) {
            EXPECT_NE(answer.find("left alone"), std::string::npos) << answer;
        } else {
            EXPECT_EQ(answer, "");
        }
        if (c.before != nullptr && *c.before != '\0') {
            EXPECT_EQ(readBytes(file), before) << "someone else's entry is never changed";
        } else if (c.on) {
            EXPECT_EQ(readBytes(file), XdgAutostart::entryFor("/opt/dim warden/bin/dimwarden"));
        } else {
            EXPECT_FALSE(std::filesystem::exists(file));
        }
    }
}

// The entry is the menu entry pointed at the running program, quoted as the desktop entry rules
// want, and the desktop's own validator takes it.
TEST(XdgAutostart, TheEntryIsAValidMenuEntryStartingTheProgram) {
    Folder folder;
    const std::string command = "/home/a b/100%/$x/dimwarden";
    XdgAutostart autostart(folder.config, command);
    ASSERT_EQ(autostart.set(true), "");
    const std::string entry = readBytes(autostart.path());
    EXPECT_NE(entry.find("\nExec=\"/home/a b/100%%/\\\\$x/dimwarden\"\n"), std::string::npos)
        << entry;
    EXPECT_NE(entry.find("\nExec=\"/home/a b/100%%/\\\\$x/dimwarden\" --toggle\n"),
              std::string::npos);
    EXPECT_NE(entry.find("\nName=Dimwarden\n"), std::string::npos);
    if (std::system("command -v desktop-file-validate >/dev/null") != 0) {
        GTEST_SKIP() << "desktop-file-validate is not installed (desktop-file-utils)";
    }
    const std::string validate = "desktop-file-validate '" + autostart.path() + "'";
    EXPECT_EQ(std::system(validate.c_str()), 0) << entry;
}
