#include "platform/SystemPlatform.h"

#include <utility>

#include "platform/win32/Win32Alarm.h"
#include "platform/win32/Win32Autostart.h"
#include "platform/win32/Win32DisplayGamma.h"
#include "platform/win32/Win32JournalStore.h"
#include "platform/win32/Win32NotifyIcon.h"
#include "platform/win32/Win32ProfileFile.h"
#include "platform/win32/Win32SettingsDirectory.h"
#include "platform/win32/Win32SingleInstance.h"
#include "platform/win32/Win32SystemEvents.h"
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
    Win32Autostart autostart;
    Win32SystemEvents events;
};

SystemPlatform::SystemPlatform()
    : backends_(std::make_unique<Backends>()),
      platform_(std::make_unique<Platform>(
          Platform{backends_->display, backends_->profile, backends_->settingsDir, backends_->tray,
                   backends_->drag, backends_->url, backends_->instance, &backends_->journal,
                   &backends_->clock, &backends_->alarm, &backends_->autostart})) {
    // The engine listens to the backend, whatever windows are open.
    backends_->events.onDisplayChange = [this] { backends_->display.displayChanged(); };
    backends_->events.onDisplaysReset = [this] { backends_->display.displaysReset(); };
}

SystemPlatform::~SystemPlatform() = default;

// There are no signals to watch: the end of the session arrives at the events window.
bool SystemPlatform::watchTermination(std::function<void()> onRequest) {
    backends_->events.onEndSession = std::move(onRequest);
    return backends_->events.window() != nullptr;
}

bool SystemPlatform::watchResume(std::function<void()> onResume) {
    backends_->events.onResume = std::move(onResume);
    return backends_->events.window() != nullptr;
}

void SystemPlatform::whenSessionBusUsable(std::function<void()> then) {
    then();  // commands come through window messages: nothing to wait for
}

std::string SystemPlatform::noDisplay() {
    return "cannot reach the desktop of this session";
}

// The program has no console of its own: a second start ends quietly.
std::string SystemPlatform::alreadyRunning() {
    return {};
}

std::string SystemPlatform::instanceUnreachable() {
    return "the instance running in this session does not answer";
}
