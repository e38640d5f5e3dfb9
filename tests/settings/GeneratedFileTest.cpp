// Thousands of generated settings files, some well formed, most not. The generator labels every
// line it writes (section header, key line, anything else), so the expected reading follows from
// the labels, not from parsing the text again.
#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "platform/linux/IniProfileFile.h"
#include "settings/ColorSetting.h"
#include "settings/NumberParse.h"
#include "support/Files.h"
#include "support/MemoryPlatform.h"

using settings::DefaultTintColor;

namespace {

enum class Kind { Other, Header, Key };

struct GeneratedLine {
    std::string text;
    Kind kind = Kind::Other;
    bool matches = false;  // a header of [Setting], or a key named color, in any case
    std::string value;     // for keys: the value without the blanks around it
};

struct GeneratedFile {
    std::string bytes;
    bool unreadable = false;  // holds a NUL byte
    std::optional<std::size_t> header;
    std::optional<std::size_t> keyLine;
    std::size_t sectionEnd = 0;
    std::optional<std::string> value;
};

class Generator {
  public:
    explicit Generator(std::uint32_t seed) : rng_(seed) {}

    GeneratedFile file(bool huge) {
        std::vector<GeneratedLine> lines;
        const int count = pick(30);
        for (int i = 0; i < count; ++i) {
            const int roll = pick(10);
            lines.push_back(roll < 3 ? header() : roll < 6 ? key() : other());
        }
        if (huge) {
            lines.push_back(plain("; " + std::string((1u << 20) + pick(1000), 'x')));
            lines.push_back(GeneratedLine{"color=255", Kind::Key, true, "255"});
        }

        GeneratedFile out;
        const int endings = pick(3);  // LF, CRLF, or each line its own
        for (std::size_t i = 0; i < lines.size(); ++i) {
            out.bytes += lines[i].text;
            const bool crlf = endings == 1 || (endings == 2 && pick(2) == 0);
            if (i + 1 < lines.size() || pick(3) != 0) {
                out.bytes += crlf ? "\r\n" : "\n";
            }
        }
        if (pick(20) == 0 && !out.bytes.empty()) {
            out.bytes[pick(static_cast<int>(out.bytes.size()))] = '\0';
        }
        out.unreadable = out.bytes.find('\0') != std::string::npos;

        // Only the first [Setting] section counts, and in it only the first color key.
        int state = 0;  // before, inside, after the first [Setting] section
        out.sectionEnd = lines.size();
        for (std::size_t i = 0; i < lines.size() && state < 2; ++i) {
            if (lines[i].kind == Kind::Header) {
                if (state == 0 && lines[i].matches) {
                    out.header = i;
                    state = 1;
                } else if (state == 1) {
                    out.sectionEnd = i;
                    state = 2;
                }
            } else if (lines[i].kind == Kind::Key && state == 1 && lines[i].matches &&
                       !out.keyLine) {
                out.keyLine = i;
                out.value = lines[i].value;
            }
        }
        return out;
    }

    std::int32_t colour() { return static_cast<std::int32_t>(rng_() % 16777216u); }

  private:
    int pick(int n) { return static_cast<int>(rng_() % static_cast<std::uint32_t>(n)); }

    std::string blanks() {
        static const char* const kinds[] = {"", "", "", " ", "\t", "  \t ", "\t\t"};
        return kinds[pick(7)];
    }

    // Bytes that cannot start a header or a key, so that junk stays junk.
    std::string junk(int length) {
        std::string s;
        for (int i = 0; i < length; ++i) {
            char c = static_cast<char>(1 + pick(255));
            if (c == '\n' || c == '=' || c == '[') {
                c = '?';
            }
            s += c;
        }
        return s;
    }

    GeneratedLine header() {
        static const char* const setting[] = {"[Setting]",   "[setting]",     "[SETTING]",
                                              "[sEtTiNg]",   "  [Setting]",   "[ Setting ]",
                                              "\t[Setting]", "[Setting] ; x", "[Setting]junk"};
        static const char* const others[] = {"[Settings]", "[Other]", "[Set ting]",
                                             "[]",         "[color]", "[Settin]"};
        if (pick(2) == 0) {
            return {setting[pick(9)], Kind::Header, true, {}};
        }
        return {others[pick(6)], Kind::Header, false, {}};
    }

    std::string value() {
        std::string v;
        switch (pick(9)) {
            case 0:
                v = std::to_string(rng_() % 16777216u);
                break;
            case 1:
                v = std::to_string(static_cast<std::int32_t>(rng_()));
                break;
            case 2:  // far beyond 32 bits
                for (int i = 10 + pick(40); i > 0; --i) {
                    v += static_cast<char>('0' + pick(10));
                }
                break;
            case 3:
                v = std::to_string(pick(1000)) + "." + std::to_string(pick(1000));
                break;
            case 4:
                v = std::to_string(pick(100)) + ".5";
                break;
            case 5:
                v = junk(pick(40));
                break;
            case 6:  // longer than the 254 characters that arrive
                v = std::string(200 + pick(3000), static_cast<char>('0' + pick(10)));
                break;
            case 7:
                v = std::to_string(pick(1000)) + " " + std::to_string(pick(1000)) + "=x[y]";
                break;
            default:
                break;  // empty
        }
        // No CR (it would look like a line end) and no blanks at the ends (they are trimmed).
        for (char& c : v) {
            if (c == '\r') {
                c = '?';
            }
        }
        while (!v.empty() && (v.back() == ' ' || v.back() == '\t')) {
            v.pop_back();
        }
        while (!v.empty() && (v.front() == ' ' || v.front() == '\t')) {
            v.erase(0, 1);
        }
        return v;
    }

    GeneratedLine key() {
        static const char* const color[] = {"color", "Color", "COLOR", "cOlOr"};
        static const char* const others[] = {"colour", "colors", "color2", "xcolor",
                                             ";color", "#color", "col or", "k"};
        const bool matches = pick(2) == 0;
        const std::string name = matches ? color[pick(4)] : others[pick(8)];
        const std::string v = value();
        return {blanks() + name + blanks() + "=" + blanks() + v + blanks(), Kind::Key, matches, v};
    }

    static GeneratedLine plain(std::string text) {
        return {std::move(text), Kind::Other, false, {}};
    }

    GeneratedLine other() {
        switch (pick(6)) {
            case 0:
                return plain(blanks());
            case 1:
                return plain("; color=" + std::to_string(pick(100)));
            case 2:
                return plain("color " + std::to_string(pick(100)));
            case 3:
                return plain("Setting]");
            case 4:
                return plain(junk(pick(pick(10) == 0 ? 20000 : 100)));
            default:
                return plain("[Setting");
        }
    }

    std::mt19937 rng_;
};

std::vector<std::string> splitOnNewline(const std::string& bytes) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < bytes.size()) {
        const std::size_t newline = bytes.find('\n', start);
        if (newline == std::string::npos) {
            lines.push_back(bytes.substr(start));
            break;
        }
        lines.push_back(bytes.substr(start, newline - start));
        start = newline + 1;
    }
    return lines;
}

bool isBlankLine(const std::string& line) {
    return line.find_first_not_of(" \t\r") == std::string::npos;
}

// Checks that writing `colour` into `file` changed only what it had to.
void expectOnlyTheKeyChanged(const GeneratedFile& file, const std::string& after,
                             std::int32_t colour) {
    const std::string value = std::to_string(colour);
    const std::size_t firstNewline = file.bytes.find('\n');
    const bool crlf = firstNewline != std::string::npos && firstNewline > 0 &&
                      file.bytes[firstNewline - 1] == '\r';
    const std::string eol = crlf ? "\r\n" : "\n";
    const std::vector<std::string> before = splitOnNewline(file.bytes);
    const std::vector<std::string> now = splitOnNewline(after);

    if (!file.header) {
        std::string expected = file.bytes;
        if (!expected.empty() && expected.back() != '\n') {
            expected += eol;
        }
        expected += "[Setting]" + eol + "color=" + value + eol;
        EXPECT_EQ(after, expected);
        return;
    }
    if (file.keyLine) {
        ASSERT_EQ(now.size(), before.size());
        for (std::size_t i = 0; i < before.size(); ++i) {
            if (i == *file.keyLine) {
                const std::string& old = before[i];
                std::size_t keep = old.find('=') + 1;
                while (keep < old.size() && (old[keep] == ' ' || old[keep] == '\t')) {
                    ++keep;
                }
                const std::string expected =
                    old.substr(0, keep) + value + (old.back() == '\r' ? "\r" : "");
                EXPECT_EQ(now[i], expected);
            } else {
                EXPECT_EQ(now[i], before[i]) << "line " << i;
            }
        }
        return;
    }
    // A new key line inside the first [Setting] section, before the blank lines that end it.
    ASSERT_EQ(now.size(), before.size() + 1);
    const std::string added = "color=" + value + (crlf ? "\r" : "");
    std::size_t at = *file.header + 1;
    while (at < now.size() && now[at] != added) {
        ++at;
    }
    ASSERT_LT(at, now.size());
    EXPECT_LE(at, file.sectionEnd);
    for (std::size_t i = at; i < file.sectionEnd; ++i) {
        EXPECT_TRUE(isBlankLine(before[i])) << "key added before line " << i;
    }
    std::vector<std::string> without = now;
    without.erase(without.begin() + static_cast<std::ptrdiff_t>(at));
    std::vector<std::string> expected = before;
    if (at == before.size() && file.bytes.back() != '\n' && crlf) {
        expected.back() += '\r';  // the old last line gained the line end it lacked
    }
    EXPECT_EQ(without, expected);
}

}  // namespace

TEST(GeneratedSettingsFiles, ReadAsTheLabelsSayAndWritesChangeOnlyTheKey) {
    QTemporaryDir temp;
    MemorySettingsDirectory dir;
    dir.dir = temp.path().toStdString();
    const std::string path = settings::settingsFilePath(dir.dir);
    IniProfileFile ini;
    Generator generate(20240611u);

    constexpr int kFiles = 3000;
    int written = 0;
    int found = 0;
    for (int n = 0; n < kFiles; ++n) {
        const GeneratedFile file = generate.file(n % 1000 == 999);
        writeBytes(path, file.bytes);
        SCOPED_TRACE("file " + std::to_string(n));

        std::string winPath;
        const settings::LoadedColor loaded = settings::LoadColorSetting(ini, dir, winPath);
        if (loaded.found) {
            ++found;
        } else {
            EXPECT_EQ(loaded.color, DefaultTintColor);
        }

        const bool expectFound = !file.unreadable && file.value && !file.value->empty();
        ASSERT_EQ(loaded.found, expectFound);
        if (expectFound) {
            const auto parsed = settings::parseLeadingNumber(file.value->substr(0, 254));
            const bool plain = parsed && *parsed >= 0 && *parsed <= 0x00FFFFFF;
            ASSERT_EQ(loaded.color,
                      plain ? BgrColor(static_cast<std::uint32_t>(*parsed)) : DefaultTintColor);
        }

        if (n % 20 != 0 && !file.unreadable) {
            continue;
        }
        const std::int32_t colour = generate.colour();
        settings::SaveColorSetting(ini, winPath, BgrColor(static_cast<std::uint32_t>(colour)));
        const std::string after = readBytes(path);
        if (file.unreadable) {
            // What could not be read is never thrown away.
            ASSERT_EQ(after, file.bytes);
            continue;
        }
        expectOnlyTheKeyChanged(file, after, colour);
        ++written;
        const settings::LoadedColor reread = settings::LoadColorSetting(ini, dir, winPath);
        EXPECT_TRUE(reread.found);
        EXPECT_EQ(reread.color.value(), static_cast<std::uint32_t>(colour));
    }
    // The mix must really cover both outcomes and the write path.
    EXPECT_GT(found, kFiles / 10);
    EXPECT_LT(found, kFiles * 9 / 10);
    EXPECT_GT(written, 100);
    EXPECT_EQ(QDir(temp.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{"Dimwarden.ini"});
}
