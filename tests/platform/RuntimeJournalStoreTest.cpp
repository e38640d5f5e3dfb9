// The crash journal on disk against what another user, a kill or a broken file can leave where
// it is kept: nothing found there may darken the screen, block the start or make a save write
// anywhere but the tool's own file.
#include <sys/stat.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "gamma/GammaEngine.h"
#include "gamma/GammaJournal.h"
#include "gamma/RampMath.h"
#include "platform/linux/RuntimeJournalStore.h"
#include "support/Files.h"
#include "support/MemoryDisplayGamma.h"
#include "support/ScopedEnv.h"

namespace {

constexpr uid_t kNobody = 65534;

GammaRamp rampOf(std::uint16_t (*f)(std::size_t)) {
    GammaRamp r;
    for (std::size_t c = 0; c < 3; ++c) {
        for (std::size_t i = 0; i < 256; ++i) {
            r.at(c, i) = f(i);
        }
    }
    return r;
}
const GammaRamp kBase = rampOf([](std::size_t i) { return std::uint16_t(i * 250); });
const GammaRamp kTinted = rampOf([](std::size_t i) { return std::uint16_t(i * 125); });

struct Folder {
    QTemporaryDir dir;
    std::string path = dir.path().toStdString();
    std::string journal = RuntimeJournalStore(path).path(":7");
};

// A journal as a killed run on this display left it: the screen holds its tint of `base`.
std::string leftBy(const GammaRamp& base) {
    return journal::encode(":7", {{MemoryDisplayGamma::kFirst, base, kTinted, kTinted}});
}

TEST(RuntimeJournalStore, HostileFilesAreNeverTrustedFollowedOrWaitedOn) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "planting another user's files needs root";
    }
    const GammaRamp flatWhite = rampOf([](std::size_t) { return std::uint16_t(65535); });
    const GammaRamp falling = rampOf([](std::size_t i) { return std::uint16_t(65535 - i * 256); });
    struct Case {
        const char* what;
        std::function<void(Folder&)> plant;
        bool recovered;        // the journal's base is taken
        bool kept;             // this run's journal is written
        bool badBase = false;  // passed over by the engine, which says so (the store says the rest)
    } cases[] = {
        {"a sound journal", [](Folder& f) { writeBytes(f.journal, leftBy(kBase)); }, true, true},
        {"an all-zero base", [](Folder& f) { writeBytes(f.journal, leftBy(GammaRamp{})); }, false,
         true, true},
        {"an all-white base", [&](Folder& f) { writeBytes(f.journal, leftBy(flatWhite)); }, false,
         true, true},
        {"a falling base", [&](Folder& f) { writeBytes(f.journal, leftBy(falling)); }, false, true,
         true},
        {"another user's journal",
         [](Folder& f) {
             writeBytes(f.journal, leftBy(kBase));
             ASSERT_EQ(::chown(f.journal.c_str(), kNobody, kNobody), 0);
         },
         false, true},
        {"a folder open to all",
         [](Folder& f) {
             writeBytes(f.journal, leftBy(kBase));
             ASSERT_EQ(::chmod(f.path.c_str(), 01777), 0);
         },
         false, false},
        {"another user's folder",
         [](Folder& f) {
             writeBytes(f.journal, leftBy(kBase));
             ASSERT_EQ(::chown(f.path.c_str(), kNobody, kNobody), 0);
         },
         false, false},
        {"a hard link to another file at the temporary name",
         [](Folder& f) {
             writeBytes(f.path + "/victim", "precious");
             ASSERT_EQ(::link((f.path + "/victim").c_str(), (f.journal + ".new").c_str()), 0);
         },
         false, true},
        {"a FIFO as the journal",
         [](Folder& f) { ASSERT_EQ(::mkfifo(f.journal.c_str(), 0600), 0); }, false, true},
        {"a FIFO at the temporary name",
         [](Folder& f) { ASSERT_EQ(::mkfifo((f.journal + ".new").c_str(), 0600), 0); }, false,
         true},
        {"a folder as the journal", [](Folder& f) { std::filesystem::create_directory(f.journal); },
         false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Folder folder;
        c.plant(folder);
        MemoryDisplayGamma display;
        display.key = ":7";
        display.setTables(kTinted);
        RuntimeJournalStore store(folder.path);
        GammaEngine engine(display, &store);
        std::vector<std::string> told;
        engine.tell = [&](const std::string& what) { told.push_back(what); };

        engine.SaveGamma();
        engine.SetGamma(-40, -40, -40);
        const GammaRamp base = c.recovered ? kBase : kTinted;
        GammaRamp expected;
        ramp::buildAdjusted(base, -40, -40, -40, expected);
        EXPECT_EQ(display.current(), expected);
        struct stat st {};
        const auto entries = ::lstat(folder.journal.c_str(), &st) == 0 && S_ISREG(st.st_mode)
                                 ? journal::decode(":7", readBytes(folder.journal))
                                 : std::nullopt;
        const bool written =
            entries && std::ranges::any_of(*entries, [&](const auto& e) {
                return e.base == base &&
                       (e.tints ? ramp::tintOf(expected, base, 256) : e.last == expected);
            });
        EXPECT_EQ(written, c.kept);
        if (std::filesystem::exists(folder.path + "/victim")) {
            EXPECT_EQ(readBytes(folder.path + "/victim"), "precious");
        }
        engine.SetDefault();
        EXPECT_EQ(display.current(), base);
        EXPECT_EQ(told.size(), c.badBase ? 1u : 0u);
    }
}

TEST(RuntimeJournalStore, WithoutARuntimeVariableTheJournalGoesWhereQtKeepsRuntimeFiles) {
    QTemporaryDir tmp;
    ScopedEnv runtime("XDG_RUNTIME_DIR", std::nullopt);
    ScopedEnv tmpdir("TMPDIR", tmp.path().toStdString());
    RuntimeJournalStore store;
    const std::string file = store.path(":7");
    ASSERT_EQ(file.rfind(tmp.path().toStdString() + "/runtime-", 0), 0u) << file;
    store.save(":7", "bytes");
    EXPECT_EQ(store.load(":7"), "bytes");
    struct stat st {};
    ASSERT_EQ(::stat(std::filesystem::path(file).parent_path().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
}

}  // namespace
