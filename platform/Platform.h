#pragma once

#include <memory>

class DisplayGamma;
class ProfileFile;
class SettingsDirectory;
class NotifyIcon;
class WindowDrag;
class UrlOpener;
class SingleInstance;

// The platform operations the windows use, handed to them in one place so that tests can swap
// every one of them for an in-memory stand-in.
struct Platform {
    DisplayGamma& display;
    ProfileFile& profile;
    SettingsDirectory& settingsDir;
    NotifyIcon& tray;
    WindowDrag& drag;
    UrlOpener& url;
    SingleInstance& instance;
};

// The real backends of this system, owned together.
class SystemPlatform {
  public:
    SystemPlatform();
    ~SystemPlatform();
    Platform& platform() { return *platform_; }

  private:
    struct Backends;
    std::unique_ptr<Backends> backends_;
    std::unique_ptr<Platform> platform_;
};
