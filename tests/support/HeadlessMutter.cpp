#include "support/HeadlessMutter.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QFile>
#include <QStandardPaths>
#include <QTest>

bool HeadlessMutter::available() {
    return !QStandardPaths::findExecutable(QStringLiteral("mutter")).isEmpty();
}

HeadlessMutter::HeadlessMutter(const QString& busAddress) : busAddress_(busAddress) {
    QFile::setPermissions(runtime_.path(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QProcessEnvironment env = environment();
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("DISPLAY"));
    mutter_.setProcessEnvironment(env);
    mutter_.setProcessChannelMode(QProcess::MergedChannels);
    mutter_.start(
        QStringLiteral("mutter"),
        {QStringLiteral("--headless"), QStringLiteral("--wayland"), QStringLiteral("--no-x11"),
         QStringLiteral("--virtual-monitor"), QStringLiteral("1024x768")});
    if (!mutter_.waitForStarted(5000)) {
        error_ = QStringLiteral("mutter did not start: ") + mutter_.errorString();
        return;
    }
    const QString name = QStringLiteral("headless-mutter-watch");
    {
        const QDBusConnection bus = QDBusConnection::connectToBus(busAddress_, name);
        running_ = QTest::qWaitFor(
            [&] {
                return mutter_.state() == QProcess::Running && bus.isConnected() &&
                       bus.interface()
                           ->isServiceRegistered(QStringLiteral("org.gnome.Mutter.DisplayConfig"))
                           .value();
            },
            20000);
    }
    QDBusConnection::disconnectFromBus(name);
    if (!running_) {
        error_ = QStringLiteral("mutter's display service did not appear: ") +
                 QString::fromLocal8Bit(mutter_.readAll());
    }
}

HeadlessMutter::~HeadlessMutter() {
    if (mutter_.state() != QProcess::NotRunning) {
        mutter_.terminate();
        if (!mutter_.waitForFinished(5000)) {
            mutter_.kill();
            mutter_.waitForFinished(5000);
        }
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
