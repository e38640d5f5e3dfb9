#include "support/PrivateBus.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QStandardPaths>
#include <atomic>
#include <cstring>

bool PrivateBus::available() {
    return !QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty();
}

PrivateBus::PrivateBus()
    : daemon_({"dbus-daemon", "--session", "--nofork", "--nopidfile", "--print-address=1"},
              QProcessEnvironment::systemEnvironment()) {
    // The address is the first line the daemon prints.
    if (waitUntil(
            [&] { return daemon_.log().find('\n') != std::string::npos || !daemon_.running(); },
            std::chrono::seconds(5))) {
        const std::string log = daemon_.log();
        address_ = QString::fromStdString(log.substr(0, log.find('\n'))).trimmed();
    }
    if (!address_.startsWith(QLatin1String("unix:"))) {
        error_ =
            QStringLiteral("dbus-daemon gave no address: ") + QString::fromStdString(daemon_.log());
        address_.clear();
    }
}

PrivateBus::~PrivateBus() {
    for (const QString& name : connections_) {
        QDBusConnection::disconnectFromBus(name);
    }
}

QDBusConnection PrivateBus::connect() {
    static std::atomic<int> serial{0};
    const QString name = QStringLiteral("dimwarden-test-%1").arg(++serial);
    connections_.push_back(name);
    return QDBusConnection::connectToBus(address_, name);
}

SilentBus::SilentBus(const std::string& folder) {
    const std::string path = folder + "/dead-bus";
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd_ >= 0 && (::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
                     ::listen(fd_, 16) != 0)) {
        ::close(fd_);
        fd_ = -1;
    }
    address_ = "unix:path=" + path;
}

SilentBus::~SilentBus() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}
