#pragma once

// The untinted output names through a real profile backend: the Linux text reader natively, the
// system's own profile functions under Windows (Wine here). Both must give back every name exactly
// and shrug off a damaged section.

#include <gtest/gtest.h>

#include <string>

#include "settings/ColorSetting.h"
#include "settings/ProfileFile.h"
#include "settings/UntintedOutputs.h"
#include "support/Files.h"

inline std::string bytesFrom(int first, int last) {
    std::string s;
    for (int c = first; c <= last; ++c) {
        s += static_cast<char>(c);
    }
    return s;
}

inline void checkUntintedOutputs(ProfileFile& profile, const std::string& dir) {
    using settings::LoadUntintedOutputs;
    using settings::OutputNames;
    using settings::SaveUntintedOutputs;
    const std::string file = settings::settingsFilePath(dir);

    writeBytes(file, "[Setting]\ncolor=255\n");
    const OutputNames rounds[] = {
        {"DP-1", "HDMI-A-1"},
        {"  Büro links = [TV]; 50\" ", "显示器 2", "%41", "'q'", "#x",
         "\\\\.\\DISPLAY1 (DELL U2720Q)", "\t"},
        {bytesFrom(0, 63), bytesFrom(64, 127), bytesFrom(128, 191), bytesFrom(192, 255)},
        {"DUMMY1"},  // fewer than before: the names past the count are never read again
        {},
    };
    for (const OutputNames& names : rounds) {
        SCOPED_TRACE(names.empty() ? "none" : *names.begin());
        EXPECT_TRUE(SaveUntintedOutputs(profile, dir, names));
        EXPECT_EQ(LoadUntintedOutputs(profile, dir), names);
    }
    // Untouched by all this: the colour and the section that holds it.
    EXPECT_EQ(profile.read(file, "Setting", "color", "fb"), "255");

    // A name too long for a profile value is left out, and the caller is told.
    const std::string tooLong(100, '\xE9');
    EXPECT_FALSE(SaveUntintedOutputs(profile, dir, {"DP-2", tooLong}));
    EXPECT_EQ(LoadUntintedOutputs(profile, dir), OutputNames{"DP-2"});

    const struct {
        const char* what;
        std::string section;
        OutputNames loaded;
    } files[] = {
        {"hexadecimal in lower case", "count=1\nname1=dp%2d1\n", {"dp-1"}},
        {"no count", "name1=DP-1\n", {}},
        {"count no number", "count=two\nname1=DP-1\n", {}},
        {"count negative", "count=-1\nname1=DP-1\n", {}},
        {"count beyond bounds", "count=100000\nname1=DP-1\n", {}},
        {"a name missing", "count=2\nname1=DP-1\n", {}},
        {"a name empty", "count=2\nname1=DP-1\nname2=\n", {}},
        {"an escape cut short", "count=1\nname1=DP%2\n", {}},
        {"an escape no number", "count=1\nname1=DP%ZZ1\n", {}},
        {"a blank not escaped", "count=1\nname1=DP 1\n", {}},
    };
    for (const auto& f : files) {
        SCOPED_TRACE(f.what);
        writeBytes(file, "[Setting]\ncolor=255\n[Untinted]\n" + f.section);
        EXPECT_EQ(LoadUntintedOutputs(profile, dir), f.loaded);
        EXPECT_EQ(profile.read(file, "Setting", "color", "fb"), "255");
    }
}
