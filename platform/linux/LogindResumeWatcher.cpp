#include "platform/linux/LogindResumeWatcher.h"

#include <QDBusConnection>
#include <cstdio>
#include <string>
#include <utility>

namespace {

constexpr int kProbeLimitMs = 5000;

}  // namespace

LogindResumeWatcher::LogindResumeWatcher(std::function<void()> onResume, QObject* parent)
    : QObject(parent), onResume_(std::move(onResume)) {
    const QByteArray set = qgetenv("DBUS_SYSTEM_BUS_ADDRESS");
    const std::string list =
        set.isEmpty() ? "unix:path=/var/run/dbus/system_bus_socket" : set.toStdString();
    probe_ = std::make_unique<BusProbe>(list, kProbeLimitMs);
    probe_->start([this](BusProbe::Answer answer) {
        if (answer == BusProbe::Answer::Speaks) {
            subscribe();
        } else if (answer == BusProbe::Answer::Silent) {
            std::fprintf(stderr,
                         "dimwarden: the system bus takes connections but does not answer; a "
                         "resume from suspend is not watched\n");
        }
        // No bus here: nothing to watch, and nothing to say.
    });
}

LogindResumeWatcher::~LogindResumeWatcher() = default;

void LogindResumeWatcher::subscribe() {
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) {
        return;
    }
    // Qt D-Bus connects bus signals to slots by their signature only; there is no
    // pointer-to-member form for them.
    watching_ = bus.connect(QStringLiteral("org.freedesktop.login1"),
                            QStringLiteral("/org/freedesktop/login1"),
                            QStringLiteral("org.freedesktop.login1.Manager"),
                            QStringLiteral("PrepareForSleep"), this, SLOT(onPrepareForSleep(bool)));
}

void LogindResumeWatcher::onPrepareForSleep(bool starting) {
    if (!starting && onResume_) {
        onResume_();
    }
}
