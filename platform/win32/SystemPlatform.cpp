#include "platform/SystemPlatform.h"

#include "platform/qt/DesktopUrlOpener.h"
#include "platform/qt/LockFileSingleInstance.h"
#include "platform/qt/QtNotifyIcon.h"
#include "platform/qt/QtWindowDrag.h"
#include "platform/win32/Win32DisplayGamma.h"
#include "platform/win32/Win32ProfileFile.h"
#include "platform/win32/Win32SettingsDirectory.h"

struct SystemPlatform::Backends {
    Win32DisplayGamma display;
    Win32ProfileFile profile;
    Win32SettingsDirectory settingsDir;
    QtNotifyIcon tray;
    QtWindowDrag drag;
    DesktopUrlOpener url;
    LockFileSingleInstance instance;
};

SystemPlatform::SystemPlatform()
    : backends_(std::make_unique<Backends>()),
      platform_(std::make_unique<Platform>(
          Platform{backends_->display, backends_->profile, backends_->settingsDir, backends_->tray,
                   backends_->drag, backends_->url, backends_->instance, nullptr})) {}

SystemPlatform::~SystemPlatform() = default;

// Windows ends a windowed program through the session's end (Qt's commitDataRequest), which
// the entry point already handles; there are no signals to watch.
bool SystemPlatform::watchTermination(std::function<void()>) {
    return false;
}

// Resume is not watched here yet; the ramps stay as the driver leaves them.
bool SystemPlatform::watchResume(std::function<void()>) {
    return false;
}

std::string SystemPlatform::noDisplay() {
    return "cannot reach the desktop of this session";
}
