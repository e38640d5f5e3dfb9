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

    // Calls `then` once the session's message bus may be used without blocking: at once where
    // there is none to wait for, otherwise from the event loop once it has answered, or once it
    // has been found not to answer (said once on stderr; the program then runs without it).
    void whenSessionBusUsable(std::function<void()> then);

  private:
    struct Backends;
    std::unique_ptr<Backends> backends_;
    std::unique_ptr<Platform> platform_;
};
