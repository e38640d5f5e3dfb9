#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <string>

#include "gamma/GammaEngine.h"
#include "gamma/RampMath.h"
#include "platform/win32/Win32JournalStore.h"
#include "support/Files.h"
#include "support/MemoryDisplayGamma.h"

namespace fs = std::filesystem;

namespace {

fs::path freshFolder(const char* name) {
    const fs::path dir = fs::temp_directory_path() /
                         (std::string(name) + "-" + std::to_string(GetCurrentProcessId()));
    fs::remove_all(dir);
    return dir;
}

}  // namespace

TEST(Win32JournalStore, KeepsReplacesAndRemovesOneFilePerKey) {
    const fs::path dir = freshFolder("dimwarden-journal");
    Win32JournalStore store(dir.string());
    EXPECT_EQ(store.path("a:b/c"), dir.string() + "\\dimwarden-gamma-a_b_c.journal");
    EXPECT_FALSE(store.load("gdi")) << "nothing yet";

    store.save("gdi", std::string("first\0bytes", 11));  // creates the folder
    EXPECT_EQ(store.load("gdi"), std::string("first\0bytes", 11));
    store.save("gdi", "second");
    EXPECT_EQ(store.load("gdi"), "second");
    EXPECT_FALSE(fs::exists(store.path("gdi") + ".new")) << "no temporary file left";
    EXPECT_FALSE(store.load("other"));

    store.remove("gdi");
    EXPECT_FALSE(store.load("gdi"));
    fs::remove_all(dir);
}

TEST(Win32JournalStore, TheSystemsFolderIsTheLocalApplicationData) {
    char local[MAX_PATH] = {};
    ASSERT_GT(GetEnvironmentVariableA("LOCALAPPDATA", local, MAX_PATH), 0u);
    EXPECT_EQ(fs::path(Win32JournalStore().path("gdi")),
              fs::path(local) / "Dimwarden" / "dimwarden-gamma-gdi.journal");
}

// A run ended from the Task Manager leaves its journal; the next run starts from the display's
// own ramp instead of tinting the tint again.
TEST(Win32JournalStore, ANextRunAfterAKillStartsFromTheDisplaysOwnRamp) {
    const fs::path dir = freshFolder("dimwarden-journal-kill");
    MemoryDisplayGamma display;
    display.key = "gdi";
    const GammaRamp own = ramp::identity();
    display.setTables(own);
    {
        Win32JournalStore store(dir.string());
        GammaEngine killed(display, &store);
        killed.SaveGamma();
        killed.SetGamma(-40, -40, -40);
        // No SetDefault, no closeJournal: the process is gone.
    }
    Win32JournalStore store(dir.string());
    ASSERT_TRUE(store.load("gdi"));
    GammaEngine next(display, &store);
    next.SaveGamma();
    EXPECT_NE(display.current(), own) << "the dead run's tint is on the display";
    EXPECT_EQ(next.output(MemoryDisplayGamma::kFirst)->savedRamp, own);
    next.SetDefault();
    next.closeJournal();
    EXPECT_FALSE(store.load("gdi"));
    fs::remove_all(dir);
}
