// The lock used where no display decides whether an instance runs, beside a QLockFile one for
// comparison: what a lock file holds never blocks a start; a live holder does, until it lets go.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>

#include "platform/linux/FlockSingleInstance.h"
#include "support/LockFileSingleInstance.h"
#include "support/ScopedEnv.h"

TEST(FolderLock, DamagedLockFilesNeverBlockAndALiveHolderDoes) {
    using Make = std::function<std::unique_ptr<SingleInstance>()>;
    const std::pair<const char*, Make> kinds[] = {
        {"flock", [] { return std::make_unique<FlockSingleInstance>(); }},
        {"QLockFile", [] { return std::make_unique<LockFileSingleInstance>(); }},
    };
    const std::pair<const char*, const char*> damage[] = {
        {"none", nullptr},
        {"empty", ""},
        {"junk and a huge process id", "99999999999\n\x01\xfe junk"},
    };
    ScopedEnv saved("XDG_RUNTIME_DIR", std::nullopt);
    for (const auto& [kind, make] : kinds) {
        for (const auto& [name, bytes] : damage) {
            SCOPED_TRACE(std::string(kind) + ", lock file: " + name);
            QTemporaryDir runtime;
            qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
            if (bytes != nullptr) {
                std::ofstream(runtime.path().toStdString() + "/dimwarden.lock") << bytes;
            }
            auto first = make();
            EXPECT_FALSE(first->anotherRunning());
            EXPECT_TRUE(make()->anotherRunning());
            first.reset();
            EXPECT_FALSE(make()->anotherRunning());
        }
    }

    // A folder where the lock should be: no lock can be held, so nothing blocks.
    QTemporaryDir runtime;
    qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
    std::filesystem::create_directory(runtime.path().toStdString() + "/dimwarden.lock");
    FlockSingleInstance first;
    EXPECT_FALSE(first.anotherRunning());
    EXPECT_FALSE(FlockSingleInstance().anotherRunning());
}
