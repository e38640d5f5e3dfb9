#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <algorithm>
#include <csignal>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/linux/IniProfileFile.h"
#include "support/Files.h"

namespace fs = std::filesystem;

namespace {

mode_t modeOf(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

class IniProfileFileTest : public ::testing::Test {
  protected:
    std::string dir() const { return temp.path().toStdString(); }
    std::string read(const std::string& at) { return ini.read(at, "Setting", "color", "fb"); }
    // Everything in the directory: a write must leave no temporary file behind.
    std::vector<std::string> entries() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir())) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    QTemporaryDir temp;
    IniProfileFile ini;
    std::string path = temp.path().toStdString() + "/Dimwarden.ini";
};

struct ReadCase {
    std::string content;
    std::string expected;
};

struct WriteCase {
    std::string before;
    std::string after;
};

}  // namespace

TEST_F(IniProfileFileTest, ReadTable) {
    const ReadCase cases[] = {
        {"[Setting]\ncolor=5\n", "5"},
        {"[SETTING]\nCoLoR=5\n", "5"},
        {"[setting]\r\ncolor=5\r\n", "5"},
        {"[Setting]\ncolor=5", "5"},
        {"  [ Setting ]  \n \tcolor \t=\t 5 \t\n", "5"},
        {"[Setting]\ncolor=a=b [c]\n", "a=b [c]"},
        {"[Setting]\ncolor=\n", ""},
        {"[Setting]\ncolor=  \t\r\n", ""},
        {"[Setting]\ncolor=caf\xc3\xa9\n", "caf\xc3\xa9"},
        // The first matching section, and in it the first matching key.
        {"[Setting]\ncolor=1\nCOLOR=2\n", "1"},
        {"[Setting]\ncolor=1\n[setting]\ncolor=2\n", "1"},
        {"[Setting]\nx=1\n[Other]\ncolor=1\n[Setting]\ncolor=2\n", "fb"},
        // Near misses.
        {"", "fb"},
        {"[Setting]\n", "fb"},
        {"[Other]\ncolor=1\n", "fb"},
        {"color=1\n[Setting]\n", "fb"},
        {"[Settings]\ncolor=1\n", "fb"},
        {"[Setting\ncolor=1\n", "fb"},
        {"[Setting]\ncolour=1\ncolor2=1\n;color=1\ncolor 1\n", "fb"},
        // A bare key hides a later line with a value.
        {"[Setting]\ncolor\ncolor=1\n", "fb"},
    };
    for (const ReadCase& c : cases) {
        writeBytes(path, c.content);
        EXPECT_EQ(read(path), c.expected) << "file: " << c.content;
        // Several keys in one read, each as read() gives it.
        EXPECT_EQ(
            ini.readKeys(path, "Setting", {"colour", "color", "COLOR"}, "fb"),
            (std::vector<std::string>{c.content.find("colour=1") == std::string::npos ? "fb" : "1",
                                      c.expected, c.expected}))
            << "file: " << c.content;
    }
}

TEST_F(IniProfileFileTest, UnreadableInputsGiveTheFallback) {
    const std::string valid = "[Setting]\ncolor=5\n";
    const std::pair<const char*, std::function<std::string()>> cases[] = {
        {"missing", [&] { return dir() + "/absent.ini"; }},
        {"missing directory", [&] { return dir() + "/no/such/dir/Dimwarden.ini"; }},
        {"a directory",
         [&] {
             fs::create_directory(dir() + "/isdir");
             return dir() + "/isdir";
         }},
        {"NUL byte",
         [&] {
             writeBytes(path, std::string("[Setting]\ncolor=5\n\0", 19));
             return path;
         }},
        {"16 MiB and one byte",
         [&] {
             writeBytes(path, valid + std::string((16u << 20) + 1 - valid.size(), '\n'));
             return path;
         }},
        {"named pipe with no writer",
         [&] {
             const std::string fifo = dir() + "/fifo";
             ::mkfifo(fifo.c_str(), 0600);
             return fifo;
         }},
    };
    for (const auto& [name, make] : cases) {
        EXPECT_EQ(read(make()), "fb") << name;
    }

    // Right at the limit the file is still read.
    writeBytes(path, valid + std::string((16u << 20) - valid.size(), '\n'));
    EXPECT_EQ(read(path), "5");
}

TEST_F(IniProfileFileTest, WriteTable) {
    const WriteCase cases[] = {
        {"", "[Setting]\ncolor=42\n"},
        {"; top\n[Other]\nx=1\n", "; top\n[Other]\nx=1\n[Setting]\ncolor=42\n"},
        {"[Other]\r\nx=1\r\n", "[Other]\r\nx=1\r\n[Setting]\r\ncolor=42\r\n"},
        {"[Other]\nx=1", "[Other]\nx=1\n[Setting]\ncolor=42\n"},
        {"[Setting]", "[Setting]\ncolor=42\n"},
        {"[Setting]\r\n", "[Setting]\r\ncolor=42\r\n"},
        // In place: the key's spelling, blanks, comments, other sections and CRLF stay.
        {"; c\r\n[setting]\r\nColor = 7 \r\n; after\r\n[Other]\r\ncolor=9\r\n",
         "; c\r\n[setting]\r\nColor = 42\r\n; after\r\n[Other]\r\ncolor=9\r\n"},
        {"[Setting]\ncolor=\n", "[Setting]\ncolor=42\n"},
        {"[Setting]\ncolor=1\ncolor=2\n", "[Setting]\ncolor=42\ncolor=2\n"},
        {"[Setting]\n[Setting]\ncolor=1\n", "[Setting]\ncolor=42\n[Setting]\ncolor=1\n"},
        // A new key goes to the end of its section, before the blank lines that follow it.
        {"[Setting]\nother=1\n\n \n[Next]\nk=v\n",
         "[Setting]\nother=1\ncolor=42\n\n \n[Next]\nk=v\n"},
        {"[Setting]\n\n[Next]\n", "[Setting]\ncolor=42\n\n[Next]\n"},
    };
    for (const WriteCase& c : cases) {
        if (c.before.empty()) {
            fs::remove(path);
        } else {
            writeBytes(path, c.before);
        }
        EXPECT_TRUE(ini.write(path, "Setting", "color", "42")) << c.before;
        EXPECT_EQ(readBytes(path), c.after) << c.before;
        EXPECT_EQ(read(path), "42") << c.before;
    }
    EXPECT_EQ(entries(), std::vector<std::string>{"Dimwarden.ini"});
}

TEST_F(IniProfileFileTest, WriteRefusesTextThatWouldBreakTheFile) {
    writeBytes(path, "[Setting]\ncolor=5\n");
    EXPECT_FALSE(ini.write(path, "Setting", "color", "1\n[Evil]"));
    EXPECT_FALSE(ini.write(path, "Setting", "color", "1\r"));
    EXPECT_FALSE(ini.write(path, "Set]ting", "color", "1"));
    EXPECT_FALSE(ini.write(path, "Setting", "col=or", "1"));
    EXPECT_FALSE(ini.write(path, "Setting", "", "1"));
    EXPECT_EQ(readBytes(path), "[Setting]\ncolor=5\n");
}

TEST_F(IniProfileFileTest, PermissionsAndMissingDirectories) {
    writeBytes(path, "[Setting]\ncolor=5\n");
    ::chmod(path.c_str(), 0640);
    ASSERT_TRUE(ini.write(path, "Setting", "color", "6"));
    EXPECT_EQ(modeOf(path), 0640u);

    const mode_t mask = ::umask(022);
    const std::string nested = dir() + "/a/b/Dimwarden.ini";
    ASSERT_TRUE(ini.write(nested, "Setting", "color", "7"));
    ::umask(mask);
    EXPECT_EQ(read(nested), "7");
    EXPECT_EQ(modeOf(nested), 0644u);
    EXPECT_EQ(modeOf(dir() + "/a"), 0700u);
    EXPECT_EQ(modeOf(dir() + "/a/b"), 0700u);
}

TEST_F(IniProfileFileTest, FailedWritesLeaveEverythingAsItWas) {
    // Failures that hold for root too, since tests here may run as root.
    const std::string blocker = dir() + "/plain";
    writeBytes(blocker, "just a file");
    fs::create_directory(dir() + "/isdir");
    const auto before = entries();

    EXPECT_FALSE(ini.write(blocker + "/Dimwarden.ini", "Setting", "color", "1"));
    EXPECT_FALSE(ini.write(dir() + "/isdir", "Setting", "color", "1"));

    EXPECT_EQ(readBytes(blocker), "just a file");
    EXPECT_TRUE(fs::is_empty(dir() + "/isdir"));
    EXPECT_EQ(entries(), before);
}

TEST_F(IniProfileFileTest, WriteThatFailsHalfwayRemovesItsTemporaryFile) {
    // A file-size limit makes the temporary file's write fail after it was created; root is bound
    // by it as well.
    const std::string old = "[Setting]\ncolor=5\n; " + std::string(64 * 1024, 'x') + "\n";
    writeBytes(path, old);

    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = ini.write(path, "Setting", "color", "6");
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_FALSE(written);
    EXPECT_EQ(readBytes(path), old);
    EXPECT_EQ(entries(), std::vector<std::string>{"Dimwarden.ini"});
}

TEST_F(IniProfileFileTest, ReadOnlyDirectoryRefusesTheWrite) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "root ignores directory permissions";
    }
    writeBytes(path, "[Setting]\ncolor=5\n");
    ::chmod(dir().c_str(), 0500);
    const bool written = ini.write(path, "Setting", "color", "6");
    ::chmod(dir().c_str(), 0700);
    EXPECT_FALSE(written);
    EXPECT_EQ(readBytes(path), "[Setting]\ncolor=5\n");
    EXPECT_EQ(entries(), std::vector<std::string>{"Dimwarden.ini"});
}

// Settings files a write must not harm. The settings path is config/Dimwarden.ini; `file` is
// where the case puts `bytes` (when it has any) and whose bytes are checked afterwards: `after`
// when the write goes ahead, unchanged (and nothing made anywhere) when it is refused.
TEST_F(IniProfileFileTest, HostileSettingsFilesAreNeverHarmed) {
    struct Case {
        const char* name;
        std::string linkTo;  // the settings path is a link to this, when set
        std::string file;
        std::optional<std::string> bytes;
        std::string after = {};  // empty: refused
        bool othersFile = false;
        bool othersLink = false;
    };
    const bool root = ::geteuid() == 0;
    const std::string mine = "[Setting]\ncolor=1\n";
    const std::string kept = "[Setting]\ncolor=42\n";
    std::string large;
    for (int i = 0; i < 100000; ++i) {
        large += "[S" + std::to_string(i) + "]\nk=v\n";
    }
    const std::string outside = dir() + "/outside.ini";
    const Case cases[] = {
        {"link to the user's own file in the folder", "real.ini", "config/real.ini", mine, kept},
        // Root owns every system file: ownership cannot tell its dotfile from /etc/passwd.
        {"link to the user's own file elsewhere", outside, "outside.ini", mine, root ? "" : kept},
        {"dangling link in the folder", "new.ini", "config/new.ini", std::nullopt, kept},
        {"dangling link into a missing folder", "sub/new.ini", "config/sub/new.ini", std::nullopt},
        {"dangling link out of the folder", outside, "outside.ini", std::nullopt},
        {"link to another user's file", outside, "outside.ini", mine, "", true},
        {"another user's link", "real.ini", "config/real.ini", mine, "", false, true},
        {"zero-filled after a power loss", "", "config/Dimwarden.ini", std::string(64, '\0'), kept},
        {"text with a NUL byte", "", "config/Dimwarden.ini", std::string("color=5\n\0junk", 14)},
        {"1.3 MB of other sections", "", "config/Dimwarden.ini",
         "[Setting]\ncolor=2113632\n" + large, kept + large},
    };
    const std::string at = dir() + "/config/Dimwarden.ini";
    auto listing = [&] {
        std::vector<std::string> paths;
        for (const auto& entry : fs::recursive_directory_iterator(dir())) {
            paths.push_back(entry.path().string());
        }
        std::sort(paths.begin(), paths.end());
        return paths;
    };
    int needRoot = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if ((c.othersFile || c.othersLink) && !root) {
            ++needRoot;
            continue;
        }
        fs::remove_all(dir());
        fs::create_directories(dir() + "/config");
        const std::string file = dir() + "/" + c.file;
        if (c.bytes) {
            writeBytes(file, *c.bytes);
            EXPECT_TRUE(!c.othersFile || ::chown(file.c_str(), 65534, 65534) == 0);
        }
        if (!c.linkTo.empty()) {
            fs::create_symlink(c.linkTo, at);
            EXPECT_TRUE(!c.othersLink || ::lchown(at.c_str(), 65534, 65534) == 0);
        }
        const auto before = listing();

        IniProfileFile fresh;  // each says a reason once only
        ::testing::internal::CaptureStderr();
        const bool written = fresh.write(at, "Setting", "color", "42");
        const std::string said = ::testing::internal::GetCapturedStderr();

        EXPECT_EQ(written, !c.after.empty());
        EXPECT_EQ(fs::is_symlink(at), !c.linkTo.empty());
        EXPECT_EQ(readBytes(file), written ? c.after : c.bytes.value_or(""));
        if (!written) {
            EXPECT_EQ(listing(), before);
            EXPECT_EQ(said.rfind("dimwarden: ", 0), 0u) << said;
            EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
        }
    }
    // A refusal names what was not kept.
    writeBytes(path, std::string("color=5\n\0junk", 14));
    IniProfileFile fresh;
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(fresh.writeSection(path, "Schedule", {{"fade", "60"}, {"automatic", "1"}}));
    EXPECT_EQ(
        ::testing::internal::GetCapturedStderr().rfind("dimwarden: the schedule is not kept: ", 0),
        0u);
    // The size does not hide the colour.
    writeBytes(path, "[Setting]\ncolor=2113632\n" + large);
    EXPECT_EQ(read(path), "2113632");
    if (needRoot > 0) {
        GTEST_SKIP() << needRoot << " cases on another user's files need root";
    }
}
