#include "platform/posix/LogindResumeWatcher.h"

#include <QDBusConnection>
#include <utility>

LogindResumeWatcher::LogindResumeWatcher(std::function<void()> onResume, QObject* parent)
    : QObject(parent), onResume_(std::move(onResume)) {
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
