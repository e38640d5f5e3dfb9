#include <gtest/gtest.h>

#include <pwd.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <algorithm>
#include <csignal>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/posix/IniProfileFile.h"
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
    std::string after = {};
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
    };
    for (const ReadCase& c : cases) {
        writeBytes(path, c.content);
        EXPECT_EQ(read(path), c.expected) << "file: " << c.content;
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
    const std::string binary("[Setting]\ncolor=5\n\0junk", 23);
    const std::string big = "[Setting]\ncolor=5\n; " + std::string(2u << 20, 'x') + "\n";
    writeBytes(path, binary);
    const std::string bigPath = dir() + "/big.ini";
    writeBytes(bigPath, big);
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

namespace {

// A settings file that a write must not harm: what is at the settings path before the write, the
// file whose bytes are looked at afterwards, and what they must then be (empty: as they were).
struct HostileCase {
    const char* name;
    std::function<void(const std::string& config, const std::string& outside)> setUp;
    std::string victim;  // relative to the test folder
    bool written;
    std::string after = {};
};

uid_t nobody() {
    const struct passwd* entry = ::getpwnam("nobody");
    return entry != nullptr ? entry->pw_uid : 65534;
}

// Every path below `root`, so that a refused write can be seen to have made nothing anywhere.
std::vector<std::string> tree(const std::string& root) {
    std::vector<std::string> paths;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        paths.push_back(entry.path().string());
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}

}  // namespace

class HostileSettingsFile : public IniProfileFileTest {
  protected:
    // Runs each case on a fresh "config" folder inside the test folder, next to "outside.ini".
    void check(const std::vector<HostileCase>& cases) {
        const std::string config = dir() + "/config";
        const std::string at = config + "/Dimwarden.ini";
        for (const HostileCase& c : cases) {
            SCOPED_TRACE(c.name);
            fs::remove_all(config);
            fs::remove(dir() + "/outside.ini");
            fs::create_directory(config);
            c.setUp(config, dir() + "/outside.ini");
            const std::string victim = dir() + "/" + c.victim;
            const std::string before = readBytes(victim);
            const auto paths = tree(dir());
            const bool wasLink = fs::is_symlink(at);

            IniProfileFile fresh;  // each says a reason once only
            ::testing::internal::CaptureStderr();
            const bool written = fresh.write(at, "Setting", "color", "42");
            const std::string said = ::testing::internal::GetCapturedStderr();

            EXPECT_EQ(written, c.written);
            EXPECT_EQ(readBytes(victim), c.after.empty() ? before : c.after);
            EXPECT_EQ(fs::is_symlink(at), wasLink);
            if (!c.written) {
                EXPECT_EQ(tree(dir()), paths);
                EXPECT_EQ(said.rfind("dimwarden: ", 0), 0u) << said;
                EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
            }
        }
    }
};

TEST_F(HostileSettingsFile, LinksDamagedAndLargeFilesAndByteOrderMarks) {
    const std::string mine = "; mine\n[Setting]\ncolor=1\n";
    const std::string mineAfter = "; mine\n[Setting]\ncolor=42\n";
    const std::string bom = "\xEF\xBB\xBF";
    std::string large = "[Setting]\ncolor=2113632\n";
    for (int i = 0; i < 100000; ++i) {
        large += "[S" + std::to_string(i) + "]\nk=v\n";
    }
    std::string largeAfter = large;
    largeAfter.replace(0, 24, "[Setting]\ncolor=42\n");
    auto link = [](const std::string& target, const std::string& config) {
        fs::create_symlink(target, config + "/Dimwarden.ini");
    };
    auto plain = [](std::string bytes) {
        return [bytes](const std::string& config, const std::string&) {
            writeBytes(config + "/Dimwarden.ini", bytes);
        };
    };

    check({
        {"link to the user's own file in the folder",
         [&](auto& config, auto&) {
             writeBytes(config + "/real.ini", mine);
             link("real.ini", config);
         },
         "config/real.ini", true, mineAfter},
        // Root owns every system file, so ownership cannot tell its dotfile from /etc/passwd.
        {"link to the user's own file elsewhere",
         [&](auto& config, auto& outside) {
             writeBytes(outside, mine);
             link(outside, config);
         },
         "outside.ini", ::geteuid() != 0, ::geteuid() != 0 ? mineAfter : ""},
        {"dangling link in the folder", [&](auto& config, auto&) { link("new.ini", config); },
         "config/new.ini", true, "[Setting]\ncolor=42\n"},
        {"dangling link into a missing folder",
         [&](auto& config, auto&) { link("sub/new.ini", config); }, "config/sub/new.ini", false},
        {"dangling link out of the folder",
         [&](auto& config, auto& outside) { link(outside, config); }, "outside.ini", false},
        {"zero-filled after a power loss", plain(std::string(64, '\0')), "config/Dimwarden.ini",
         true, "[Setting]\ncolor=42\n"},
        {"text with a NUL byte", plain(std::string("[Setting]\ncolor=5\n\0junk", 23)),
         "config/Dimwarden.ini", false},
        {"over the size cap", plain(std::string((16u << 20) + 1, 'x')), "config/Dimwarden.ini",
         false},
        {"byte-order mark", plain(bom + "[Setting]\r\ncolor=5\r\n"), "config/Dimwarden.ini", true,
         bom + "[Setting]\r\ncolor=42\r\n"},
        {"1.3 MB of other sections", plain(large), "config/Dimwarden.ini", true, largeAfter},
    });

    // The colour in the last two is read, not hidden by the mark or the size.
    writeBytes(path, bom + "[Setting]\ncolor=5\n");
    EXPECT_EQ(read(path), "5");
    writeBytes(path, large);
    EXPECT_EQ(read(path), "2113632");
}

TEST_F(HostileSettingsFile, RootNeverWritesThroughALinkIntoAnotherUsersFile) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to make files that belong to another user";
    }
    const uid_t other = nobody();
    check({
        {"link to another user's file",
         [&](auto& config, auto& outside) {
             writeBytes(outside, "theirs\n");
             ASSERT_EQ(::chown(outside.c_str(), other, other), 0);
             fs::create_symlink(outside, config + "/Dimwarden.ini");
         },
         "outside.ini", false},
        {"another user's link to root's file in the folder",
         [&](auto& config, auto&) {
             writeBytes(config + "/real.ini", "[Setting]\ncolor=1\n");
             fs::create_symlink("real.ini", config + "/Dimwarden.ini");
             ASSERT_EQ(::lchown((config + "/Dimwarden.ini").c_str(), other, other), 0);
         },
         "config/real.ini", false},
    });
}
