#pragma once

// One table of profile-file cases for every ProfileFile backend: the Linux text reader natively
// and the system's own profile functions under Windows (Wine here). A file a user carries over
// from Windows must read the same on Linux; where the two still answer differently on purpose,
// the case gives the system's answer beside ours and says why.

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "settings/ProfileFile.h"
#include "support/Files.h"

enum class ProfileBackend { Text, System };

struct ProfileCase {
    const char* name;
    std::optional<std::string> before;  // nullopt: no file
    // Read: the value of [Setting] color with the fallback "fb". Write: the whole file after
    // setting [Setting] color to 42, or nullopt to check only that 42 reads back.
    std::string read;
    std::optional<std::string> written;
    std::optional<std::string> systemRead{};  // the system's answer, where it differs
    // The system's file: by default `written` with CRLF line ends, as it writes every line.
    std::optional<std::string> systemWritten{};
};

inline std::string withCrlf(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) {
            out += '\r';
        }
        out += text[i];
    }
    return out;
}

inline const std::string kLongValue(1000, '7');
inline const std::string kLongComment = "; " + std::string(5000, 'x');

inline const ProfileCase kProfileCases[] = {
    {"no file", std::nullopt, "fb", "[Setting]\ncolor=42\n"},
    {"no section", "[Other]\ncolor=1\n", "fb", "[Other]\ncolor=1\n[Setting]\ncolor=42\n"},
    {"no key", "[Setting]\nother=1\n", "fb", "[Setting]\nother=1\ncolor=42\n"},
    {"names in any case", "[SETTING]\nCoLoR=5\n", "5", "[SETTING]\nCoLoR=42\n"},
    {"blanks around names and value",
     "  [ Setting ]  \n \tcolor \t=\t 5 \t\n",
     "5",
     "  [ Setting ]  \n \tcolor \t=\t 42\n",
     {},
     "[Setting]\r\ncolor=42\r\n"},
    {"duplicate keys: the first wins", "[Setting]\ncolor=1\nCOLOR=2\n", "1",
     "[Setting]\ncolor=42\nCOLOR=2\n"},
    {"duplicate sections: the first wins", "[Setting]\ncolor=1\n[setting]\ncolor=2\n", "1",
     "[Setting]\ncolor=42\n[setting]\ncolor=2\n"},
    {"key only in the second of two sections", "[Setting]\nx=1\n[setting]\ncolor=2\n", "fb",
     "[Setting]\nx=1\ncolor=42\n[setting]\ncolor=2\n"},
    {"CRLF", "[Setting]\r\ncolor=5\r\n", "5", "[Setting]\r\ncolor=42\r\n"},
    {"no line end at the end",
     "[Setting]\ncolor=5",
     "5",
     "[Setting]\ncolor=42",
     {},
     "[Setting]\r\ncolor=42\r\n"},
    // A key without '=' has no value, yet it is the key: it hides a later one.
    {"key without '='",
     "[Setting]\n color \ncolor=5\n",
     "fb",
     "[Setting]\n color=42\ncolor=5\n",
     {},
     "[Setting]\r\ncolor=42\r\ncolor=5\r\n"},
    {"other line without '='", "[Setting]\ncolour 1\ncolor=5\n", "5",
     "[Setting]\ncolour 1\ncolor=42\n"},
    {"comment", "[Setting]\n;color=1\ncolor=5\n", "5", "[Setting]\n;color=1\ncolor=42\n"},
    {"'#' starts no comment", "[Setting]\n#x=1\ncolor=5\n", "5", "[Setting]\n#x=1\ncolor=42\n"},
    {"key before any section", "color=1\n[Setting]\ncolor=5\n", "5",
     "color=1\n[Setting]\ncolor=42\n"},
    {"key before any section only", "color=1\n", "fb", "color=1\n[Setting]\ncolor=42\n"},
    {"empty value", "[Setting]\ncolor=\n", "", "[Setting]\ncolor=42\n"},
    {"'=' and brackets in the value", "[Setting]\ncolor=a=b [c]\n", "a=b [c]",
     "[Setting]\ncolor=42\n"},
    // One pair of matching quotes around the value goes.
    {"double quotes", "[Setting]\ncolor=\"5\"\n", "5", "[Setting]\ncolor=42\n"},
    {"single quotes, blanks inside",
     "[Setting]\ncolor= ' 5 ' \n",
     " 5 ",
     "[Setting]\ncolor= 42\n",
     {},
     "[Setting]\r\ncolor=42\r\n"},
    {"empty quotes", "[Setting]\ncolor=\"\"\n", "", "[Setting]\ncolor=42\n"},
    {"a lone quote", "[Setting]\ncolor=\"\n", "\"", "[Setting]\ncolor=42\n"},
    {"unmatched quotes", "[Setting]\ncolor=\"5'\n", "\"5'", "[Setting]\ncolor=42\n"},
    {"quotes inside", "[Setting]\ncolor=5 \"x\"\n", "5 \"x\"", "[Setting]\ncolor=42\n"},
    {"long line and value", kLongComment + "\n[Setting]\ncolor=" + kLongValue + "\n",
     kLongValue.substr(0, 254), kLongComment + "\n[Setting]\ncolor=42\n"},
    // The system rewrites the whole file from what it understood; ours changes one line.
    {"other lines kept byte for byte",
     "; top\r\n[Other]\r\nk = v \r\n\r\n[Setting]\r\nbefore=1\r\nColor = 7 \r\nafter=2\r\n",
     "7",
     "; top\r\n[Other]\r\nk = v \r\n\r\n[Setting]\r\nbefore=1\r\nColor = 42\r\nafter=2\r\n",
     {},
     "; top\r\n[Other]\r\nk=v\r\n[Setting]\r\nbefore=1\r\nColor=42\r\nafter=2\r\n"},
    {"blank lines and text after a header",
     "\n\t[Setting] ; note\n\ncolor=5\n\n[Other]\n",
     "5",
     "\n\t[Setting] ; note\n\ncolor=42\n\n[Other]\n",
     {},
     "[Setting]\r\ncolor=42\r\n[Other]\r\n"},
    {"UTF-8 byte-order mark",
     "\xEF\xBB\xBF[Setting]\ncolor=5\n",
     "5",
     "\xEF\xBB\xBF[Setting]\ncolor=42\n",
     {},
     "\xEF\xBB\xBF[Setting]\r\ncolor=42\r\n"},
};

// Runs every case in its own file under `dir`; names the backend and the case on a failure.
inline void checkProfileCases(ProfileFile& profile, const std::filesystem::path& dir,
                              ProfileBackend backend) {
    int n = 0;
    for (const ProfileCase& c : kProfileCases) {
        SCOPED_TRACE(std::string(backend == ProfileBackend::Text ? "text file: " : "system: ") +
                     c.name);
        const std::filesystem::path file = dir / ("case" + std::to_string(n++) + ".ini");
        std::filesystem::remove(file);
        if (c.before) {
            writeBytes(file.string(), *c.before);
        }
        const bool system = backend == ProfileBackend::System;
        const std::string read = profile.read(file.string(), "Setting", "color", "fb");
        // Backends may hand back more than the 254 characters a value is cut to.
        EXPECT_EQ(read.substr(0, 254), system && c.systemRead ? *c.systemRead : c.read);

        EXPECT_TRUE(profile.write(file.string(), "Setting", "color", "42"));
        std::optional<std::string> written = c.written;
        if (system && c.systemWritten) {
            written = c.systemWritten;
        } else if (system && written) {
            written = withCrlf(*written);
        }
        if (written) {
            EXPECT_EQ(readBytes(file.string()), *written);
        }
        EXPECT_EQ(profile.read(file.string(), "Setting", "color", "fb"), "42");
    }

    // Several keys of one section in one write: an old key matched in any case, a new one added,
    // the section's other keys and the other sections kept.
    SCOPED_TRACE("one section's keys at once");
    const std::string file = (dir / "section.ini").string();
    writeBytes(file, "[Schedule]\nfade=5\nnote=x\n[Setting]\ncolor=7\n");
    EXPECT_TRUE(profile.writeSection(file, "Schedule", {{"FADE", "60"}, {"automatic", "0"}}));
    const char* const expected[][3] = {
        {"Schedule", "fade", "60"},
        {"Schedule", "automatic", "0"},
        {"Schedule", "note", "x"},
        {"Setting", "color", "7"},
    };
    for (const auto& [section, key, value] : expected) {
        EXPECT_EQ(profile.read(file, section, key, "fb"), value) << section << " " << key;
    }
}
