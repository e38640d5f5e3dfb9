#include "platform/SystemPlatform.h"

#include "platform/win32/Win32ActiveWindowSource.h"
#include "platform/win32/Win32Alarm.h"
#include "platform/win32/Win32DisplayGamma.h"
#include "platform/win32/Win32JournalStore.h"
#include "platform/win32/Win32NotifyIcon.h"
#include "platform/win32/Win32ProfileFile.h"
#include "platform/win32/Win32SettingsDirectory.h"
#include "platform/win32/Win32SingleInstance.h"
#include "platform/win32/Win32UrlOpener.h"
#include "platform/win32/Win32WindowDrag.h"

struct SystemPlatform::Backends {
    Win32DisplayGamma display;
    Win32ProfileFile profile;
    Win32SettingsDirectory settingsDir;
    Win32NotifyIcon tray;
    Win32WindowDrag drag;
    Win32UrlOpener url;
    Win32SingleInstance instance;
    Win32JournalStore journal;
    Win32Clock clock;
    Win32Alarm alarm{clock};
    Win32ActiveWindowSource activeWindow{display};
};

SystemPlatform::SystemPlatform()
    : backends_(std::make_unique<Backends>()),
      platform_(std::make_unique<Platform>(
          Platform{backends_->display, backends_->profile, backends_->settingsDir, backends_->tray,
                   backends_->drag, backends_->url, backends_->instance, &backends_->journal,
                   &backends_->clock, &backends_->alarm, &backends_->activeWindow})) {}

SystemPlatform::~SystemPlatform() = default;

// The end of the session arrives as WM_QUERYENDSESSION / WM_ENDSESSION at the main window, which
// unloads the form; there are no signals to watch.
bool SystemPlatform::watchTermination(std::function<void()>) {
    return false;
}

// Resume arrives as WM_POWERBROADCAST at the main window.
bool SystemPlatform::watchResume(std::function<void()>) {
    return false;
}

std::string SystemPlatform::noDisplay() {
    return "cannot reach the desktop of this session";
}
