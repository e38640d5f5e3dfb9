// One instance at a time: later starts end at once and touch nothing; a killed instance does not
// block the next one; a crowd of simultaneous starts leaves exactly one running.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "support/E2eSupport.h"

namespace e2e {
namespace {

using namespace std::chrono_literals;

using InstanceE2e = ToolTest;

GammaRamp foreignRamp() {
    return rampOf([](std::size_t i) { return static_cast<std::uint16_t>(i * 200); });
}

TEST_F(InstanceE2e, SecondStartEndsAtOnceAndAKilledFirstDoesNotBlockTheNext) {
    auto first = session().startTool();
    ASSERT_TRUE(waitMainWindow(*first)) << first->log();
    ASSERT_TRUE(rampBecomes(defaultTint()));

    // If the second start touched the display at all, this ramp would change.
    session().setRamp(foreignRamp());
    auto second = session().startTool();
    EXPECT_TRUE(exitsWith(*second, 0));
    EXPECT_TRUE(rampBecomes(foreignRamp(), 0ms));
    EXPECT_FALSE(std::filesystem::exists(session().settingsPath()))
        << "the second start wrote the settings file";
    EXPECT_TRUE(first->running());

    // SIGKILL runs no unload: the tint and a lock file stay behind.
    first->kill();
    EXPECT_TRUE(rampBecomes(foreignRamp(), 0ms));
    session().setRamp(fullRange());
    auto third = session().startTool();
    EXPECT_TRUE(waitMainWindow(*third)) << third->log();
    EXPECT_TRUE(rampBecomes(defaultTint()));
}

TEST_F(InstanceE2e, TwentySimultaneousStartsLeaveExactlyOneRunning) {
    constexpr int kStarts = 20;
    std::vector<std::unique_ptr<ChildProcess>> tools;
    for (int i = 0; i < kStarts; ++i) {
        tools.push_back(session().startTool());
    }

    // Every start but one ends by itself; each process gets the full start-up allowance.
    const auto deadline = Clock::now() + kStartTimeout * 2;
    auto stillRunning = [&] {
        int n = 0;
        for (auto& t : tools) {
            n += t->running() ? 1 : 0;
        }
        return n;
    };
    waitUntil([&] { return stillRunning() <= 1; },
              std::chrono::duration_cast<milliseconds>(deadline - Clock::now()));
    ASSERT_EQ(stillRunning(), 1);

    ChildProcess* survivor = nullptr;
    for (auto& t : tools) {
        if (t->running()) {
            survivor = t.get();
        } else {
            EXPECT_TRUE(exitsWith(*t, 0));
        }
    }
    ASSERT_NE(survivor, nullptr);
    EXPECT_TRUE(waitMainWindow(*survivor)) << survivor->log();
    EXPECT_TRUE(rampBecomes(defaultTint()));
    // Nobody else took over later.
    EXPECT_TRUE(holdsFor([&] { return stillRunning() == 1 && survivor->running(); }, 300ms));
}

}  // namespace
}  // namespace e2e

namespace e2e {
namespace {

using namespace std::chrono_literals;

// The session's environment with a runtime folder of the case's own.
std::vector<std::string> withRuntimeFolder(std::vector<std::string> env, const std::string& dir) {
    for (std::string& entry : env) {
        if (entry.rfind("XDG_RUNTIME_DIR=", 0) == 0) {
            entry = "XDG_RUNTIME_DIR=" + dir;
        }
    }
    return env;
}

// The display alone decides whether an instance runs: nothing left in a runtime folder blocks a
// start, and a second start on the display ends whatever runtime folder it has.
TEST_F(InstanceE2e, TheDisplayDecidesNotTheRuntimeFolderOrWhatALockFileHolds) {
    struct Case {
        const char* name;
        bool anotherRuns;
        std::function<void(const std::string& runtime)> prepare;
    };
    auto lockFile = [](const char* bytes) {
        return [bytes](const std::string& runtime) {
            std::ofstream(runtime + "/dimwarden.lock", std::ios::binary) << bytes;
        };
    };
    const Case cases[] = {
        {"empty lock file", false, lockFile("")},
        {"lock file of junk and a huge process id", false, lockFile("99999999999\n\x01\xfe junk")},
        {"a folder in place of the lock file", false,
         [](const std::string& runtime) {
             std::filesystem::create_directory(runtime + "/dimwarden.lock");
         }},
        {"another runtime folder", true, [](const std::string&) {}},
        {"a read-only runtime folder", true,
         [](const std::string& runtime) { ::chmod(runtime.c_str(), 0500); }},
    };
    std::unique_ptr<ChildProcess> first;
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.anotherRuns && !first) {
            session().setRamp(fullRange());
            first = session().startTool();
            ASSERT_TRUE(waitMainWindow(*first)) << first->log();
            ASSERT_TRUE(rampBecomes(defaultTint()));
            EXPECT_TRUE(selectionOwned(display(), "_DIMWARDEN_S0"));
        }
        const std::string runtime = session().folder() + "/runtime-" + std::to_string(++n);
        ::mkdir(runtime.c_str(), 0700);
        c.prepare(runtime);
        session().setRamp(foreignRamp());
        ChildProcess tool({DIMWARDEN_BINARY}, withRuntimeFolder(session().environment(), runtime),
                          session().folder() + "/case-" + std::to_string(n) + ".log");
        if (c.anotherRuns) {
            EXPECT_TRUE(exitsWith(tool, 0));
            EXPECT_TRUE(rampBecomes(foreignRamp(), 0ms));
            EXPECT_TRUE(first->running());
            continue;
        }
        EXPECT_TRUE(waitMainWindow(tool)) << tool.log();
        EXPECT_TRUE(rampBecomes(defaultTint(foreignRamp())));
        tool.kill();
        // The server lets go of a killed owner's selection once it sees the connection close.
        EXPECT_TRUE(
            waitUntil([&] { return !selectionOwned(display(), "_DIMWARDEN_S0"); }, kStepTimeout));
    }
    EXPECT_FALSE(std::filesystem::exists(session().settingsPath()));
}

}  // namespace
}  // namespace e2e
