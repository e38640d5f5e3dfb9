#include "platform/SystemPlatform.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/linux/BusProbe.h"
#include "platform/linux/DesktopUrlOpener.h"
#include "platform/linux/FlockSingleInstance.h"
#include "platform/linux/IniProfileFile.h"
#include "platform/linux/LogindResumeWatcher.h"
#include "platform/linux/QtNotifyIcon.h"
#include "platform/linux/QtWindowDrag.h"
#include "platform/linux/RuntimeJournalStore.h"
#include "platform/linux/SystemClock.h"
#include "platform/linux/TimerFdAlarm.h"
#include "platform/linux/WaylandDesktop.h"
#include "platform/linux/XdgAutostart.h"
#include "platform/linux/XdgSettingsDirectory.h"
#include "platform/mutter/MutterDisplayGamma.h"
#include "platform/x11/X11DisplayGamma.h"
#include "platform/x11/X11SelectionSingleInstance.h"
#if DIMWARDEN_WAYLAND
#include "platform/wayland/WlrDisplayGamma.h"
#endif

namespace {

// Qt's accessibility bridge, the tray's StatusNotifier check and the command service each
// connect to the session bus synchronously, and would wait for ever on one that never answers.
constexpr int kSessionBusLimitMs = 3000;

// Said once; Qt reads the address at its first connection, and one that cannot be connected to
// fails at once (/dev/null is no socket) instead of waiting on the silent one.
void giveUpSessionBus() {
    std::fputs(
        "dimwarden: the session bus takes connections but does not answer; the tool runs without "
        "it (no commands from scripts)\n",
        stderr);
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/dev/null");
}

// Qt runs on Wayland, or the session is Wayland and Qt fell back to XWayland without being asked
// to: XWayland's RandR gamma changes nothing on the screen.
bool waylandSession() {
    if (QGuiApplication::platformName().startsWith(QStringLiteral("wayland"))) {
        return true;
    }
    return !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
           !qgetenv("QT_QPA_PLATFORM").startsWith("xcb");
}

// The one place where the display backend is chosen.
std::unique_ptr<DisplayGamma> chooseDisplay() {
    if (waylandSession()) {
#if DIMWARDEN_WAYLAND
        auto wlroots = std::make_unique<WlrDisplayGamma>();
        if (wlroots->hasGammaControl()) {
            return wlroots;
        }
#endif
        // Compositors without wlr-gamma-control: GNOME's takes tables over the session bus, KDE's
        // not at all. Here the bus is the way to the tint, so it is waited for, but not for ever.
        if (BusProbe(qgetenv("DBUS_SESSION_BUS_ADDRESS").toStdString(), kSessionBusLimitMs)
                .wait() == BusProbe::Answer::Silent) {
            giveUpSessionBus();
            return std::make_unique<RefusedDisplayGamma>("the session bus does not answer");
        }
        const QDBusConnection bus = QDBusConnection::sessionBus();
        if (MutterDisplayGamma::offeredOn(bus)) {
            return std::make_unique<MutterDisplayGamma>(bus);
        }
        if (wayland_desktop::isKdePlasma(bus)) {
            return std::make_unique<RefusedDisplayGamma>(wayland_desktop::kdePlasmaRefusal());
        }
#if DIMWARDEN_WAYLAND
        // Its refusal() tells the user why nothing changes.
        return wlroots;
#endif
    }
    return std::make_unique<X11DisplayGamma>();
}

}  // namespace

// The command that starts this program: `dimwarden` beside it in the build tree, in bindir
// once installed (this program runs from libexec).
std::string launcher() {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) {
        return "dimwarden";
    }
    const std::filesystem::path beside = self.parent_path() / "dimwarden";
    if (::access(beside.c_str(), X_OK) == 0) {
        return beside.string();
    }
    return (self.parent_path() / DIMWARDEN_LAUNCHER_FROM_GUI / "dimwarden")
        .lexically_normal()
        .string();
}

struct SystemPlatform::Backends {
    std::unique_ptr<DisplayGamma> display = chooseDisplay();
    IniProfileFile profile;
    XdgSettingsDirectory settingsDir;
    QtNotifyIcon tray;
    QtWindowDrag drag;
    DesktopUrlOpener url;
    // One instance per display: the X display decides where there is one, a lock in the
    // runtime folder where there is none.
    X11SelectionSingleInstance displayInstance;
    FlockSingleInstance folderInstance;
    SingleInstance& instance() {
        return displayInstance.connected() ? static_cast<SingleInstance&>(displayInstance)
                                           : folderInstance;
    }
    RuntimeJournalStore journal;
    SystemClock clock;
    TimerFdAlarm alarm;
    XdgAutostart autostart{settingsDir, launcher()};
};

SystemPlatform::SystemPlatform()
    : backends_(std::make_unique<Backends>()),
      platform_(std::make_unique<Platform>(
          Platform{*backends_->display, backends_->profile, backends_->settingsDir, backends_->tray,
                   backends_->drag, backends_->url, backends_->instance(), &backends_->journal,
                   &backends_->clock, &backends_->alarm, &backends_->autostart})) {
    backends_->tray.holdUntilSessionBusUsable();
    backends_->displayInstance.onLost = [display = backends_->display.get()] {
        display->handedOver = true;
    };
}

SystemPlatform::~SystemPlatform() = default;

namespace {

int signalPipe[2] = {-1, -1};

// Only a write happens here; the request itself is handled on the UI thread when the pipe wakes
// the event loop.
void onTerminationSignal(int signo) {
    const char byte = static_cast<char>(signo);
    [[maybe_unused]] const auto n = ::write(signalPipe[1], &byte, 1);
}

}  // namespace

bool SystemPlatform::watchTermination(std::function<void()> onRequest) {
    if (signalPipe[0] >= 0 ||
        ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, signalPipe) != 0) {
        return false;
    }
    struct sigaction sa {};
    sa.sa_handler = onTerminationSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int signo : {SIGTERM, SIGINT, SIGHUP}) {
        ::sigaction(signo, &sa, nullptr);
    }
    // A signal that arrives before the event loop runs waits in the pipe and is handled as soon
    // as it does.
    auto* notifier =
        new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier,
                     [onRequest = std::move(onRequest)] {
                         char buf[16];
                         while (::read(signalPipe[0], buf, sizeof buf) > 0) {
                         }
                         onRequest();
                     });
    return true;
}

bool SystemPlatform::watchResume(std::function<void()> onResume) {
    auto* watcher = new LogindResumeWatcher(std::move(onResume), QCoreApplication::instance());
    return watcher->watching();
}

void SystemPlatform::whenSessionBusUsable(std::function<void()> then) {
    const std::string list = qgetenv("DBUS_SESSION_BUS_ADDRESS").toStdString();
    auto* probe = new BusProbe(list, kSessionBusLimitMs, QCoreApplication::instance());
    probe->start([this, probe, then = std::move(then)](BusProbe::Answer answer) {
        if (answer == BusProbe::Answer::Silent) {
            giveUpSessionBus();
        }
        probe->deleteLater();
        backends_->tray.sessionBusUsable();
        then();
    });
}

std::string SystemPlatform::noDisplay() {
    const char* display = std::getenv("DISPLAY");
    return display != nullptr && *display != '\0'
               ? std::string("cannot connect to display ") + display
               : std::string("no display to connect to (DISPLAY is not set)");
}

std::string SystemPlatform::alreadyRunning() {
    return "already running on this display";
}

std::string SystemPlatform::instanceUnreachable() {
    return "the instance running on this display cannot be reached on the session bus";
}
