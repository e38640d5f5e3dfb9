#pragma once

#include <functional>
#include <memory>
#include <string>

#include "main_window/Platform.h"

// The real backends of the platform this build is for, owned together. Each platform folder has
// its own implementation; CMake compiles exactly one.
class SystemPlatform {
  public:
    SystemPlatform();
    ~SystemPlatform();
    SystemPlatform(const SystemPlatform&) = delete;
    SystemPlatform& operator=(const SystemPlatform&) = delete;

    Platform& platform() { return *platform_; }

    // Why the windowing system could not be reached, as a clause for "dimwarden: ..." on stderr.
    static std::string noDisplay();
    // Said when another instance holds this display or session, as a clause; empty: nothing.
    static std::string alreadyRunning();
    // Why a command could not reach the instance that holds it, as a clause.
    static std::string instanceUnreachable();

    // Calls `onRequest` on the UI thread whenever the session or the system asks the process to
    // end (a termination signal, for example). Returns false where that cannot be watched.
    bool watchTermination(std::function<void()> onRequest);
    // Calls `onResume` on the UI thread when the machine wakes from suspend. Returns false where
    // that cannot be watched (no system bus, say); nothing is reported then.
    bool watchResume(std::function<void()> onResume);

  private:
    struct Backends;
    std::unique_ptr<Backends> backends_;
    std::unique_ptr<Platform> platform_;
};
