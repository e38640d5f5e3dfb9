#include "platform/IniProfileFile.h"
#include "platform/Platform.h"
#include "platform/QtNotifyIcon.h"
#include "platform/QtPlatformOps.h"
#include "platform/X11DisplayGamma.h"
#include "platform/XdgSettingsDirectory.h"

struct SystemPlatform::Backends {
    X11DisplayGamma display;
    IniProfileFile profile;
    XdgSettingsDirectory settingsDir;
    QtNotifyIcon tray;
    QtWindowDrag drag;
    DesktopUrlOpener url;
    LockFileSingleInstance instance;
};

SystemPlatform::SystemPlatform()
    : backends_(std::make_unique<Backends>()),
      platform_(std::make_unique<Platform>(
          Platform{backends_->display, backends_->profile, backends_->settingsDir, backends_->tray,
                   backends_->drag, backends_->url, backends_->instance})) {}

SystemPlatform::~SystemPlatform() = default;
