#include "support/HeadlessMutter.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QFile>
#include <QStandardPaths>

bool HeadlessMutter::available() {
    return !QStandardPaths::findExecutable(QStringLiteral("mutter")).isEmpty();
}

HeadlessMutter::HeadlessMutter(const QString& busAddress) : busAddress_(busAddress) {
    QFile::setPermissions(runtime_.path(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QProcessEnvironment env = environment();
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("DISPLAY"));
    mutter_ = std::make_unique<ChildProcess>(
        std::vector<std::string>{"mutter", "--headless", "--wayland", "--no-x11",
                                 "--virtual-monitor", "1024x768"},
        env);
    const QString name = QStringLiteral("headless-mutter-watch");
    {
        const QDBusConnection bus = QDBusConnection::connectToBus(busAddress_, name);
        running_ = waitUntil(
            [&] {
                return mutter_->running() && bus.isConnected() &&
                       bus.interface()
                           ->isServiceRegistered(QStringLiteral("org.gnome.Mutter.DisplayConfig"))
                           .value();
            },
            std::chrono::seconds(20));
    }
    QDBusConnection::disconnectFromBus(name);
    if (!running_) {
        error_ = QStringLiteral("mutter's display service did not appear: ") +
                 QString::fromStdString(mutter_->log());
    }
}

QProcessEnvironment HeadlessMutter::environment() const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), busAddress_);
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime_.path());
    env.insert(QStringLiteral("HOME"), runtime_.path());
    env.insert(QStringLiteral("WAYLAND_DISPLAY"), QStringLiteral("wayland-0"));
    return env;
}
