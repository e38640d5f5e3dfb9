#include "platform/linux/LogindResumeWatcher.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QDBusConnection>
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <utility>

namespace {

constexpr int kProbeLimitMs = 5000;

// The address of the first unix-socket transport of a D-Bus address list, with its %-escapes
// undone; nothing for other transports.
std::optional<sockaddr_un> unixAddress(const std::string& list) {
    std::size_t start = 0;
    while (start <= list.size()) {
        const std::size_t end = std::min(list.find(';', start), list.size());
        const std::string entry = list.substr(start, end - start);
        start = end + 1;
        if (!entry.starts_with("unix:")) {
            continue;
        }
        for (const char* key : {"path=", "abstract="}) {
            std::size_t at = entry.find(key);
            if (at == std::string::npos || (entry[at - 1] != ':' && entry[at - 1] != ',')) {
                continue;
            }
            at += std::strlen(key);
            std::string value;
            for (std::size_t i = at; i < entry.size() && entry[i] != ','; ++i) {
                const char hex[4] = {entry[i], i + 1 < entry.size() ? entry[i + 1] : '\0',
                                     i + 2 < entry.size() ? entry[i + 2] : '\0', '\0'};
                if (hex[0] == '%' && std::isxdigit(static_cast<unsigned char>(hex[1])) &&
                    std::isxdigit(static_cast<unsigned char>(hex[2]))) {
                    value.push_back(static_cast<char>(std::strtol(hex + 1, nullptr, 16)));
                    i += 2;
                } else {
                    value.push_back(entry[i]);
                }
            }
            const bool abstract = key[0] == 'a';
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            if (value.size() + 1 > sizeof address.sun_path) {
                return std::nullopt;
            }
            std::memcpy(address.sun_path + (abstract ? 1 : 0), value.data(), value.size());
            return address;
        }
    }
    return std::nullopt;
}

}  // namespace

LogindResumeWatcher::LogindResumeWatcher(std::function<void()> onResume, QObject* parent)
    : QObject(parent), onResume_(std::move(onResume)) {
    probe();
}

LogindResumeWatcher::~LogindResumeWatcher() {
    endProbe();
}

void LogindResumeWatcher::probe() {
    const QByteArray set = qgetenv("DBUS_SYSTEM_BUS_ADDRESS");
    const std::string list =
        set.isEmpty() ? "unix:path=/var/run/dbus/system_bus_socket" : set.toStdString();
    const std::optional<sockaddr_un> address = unixAddress(list);
    if (!address) {
        subscribe();  // another transport: Qt's own connection is all there is
        return;
    }
    probeFd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    const socklen_t size = address->sun_path[0] != '\0'
                               ? sizeof(sockaddr_un)
                               : static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 +
                                                        std::strlen(address->sun_path + 1));
    if (probeFd_ < 0 ||
        ::connect(probeFd_, reinterpret_cast<const sockaddr*>(&*address), size) != 0) {
        endProbe();  // no bus here: nothing to watch, and nothing to say
        return;
    }
    // The first step of the bus's handshake: a NUL byte and an AUTH line, which any bus answers
    // (OK or REJECTED) at once.
    std::string uid = std::to_string(::getuid());
    std::string hello("\0AUTH EXTERNAL ", 15);
    for (char digit : uid) {
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02x", static_cast<unsigned char>(digit));
        hello += hex;
    }
    hello += "\r\n";
    if (::send(probeFd_, hello.data(), hello.size(), MSG_NOSIGNAL) !=
        static_cast<ssize_t>(hello.size())) {
        endProbe();
        return;
    }
    probeNotifier_ = std::make_unique<QSocketNotifier>(probeFd_, QSocketNotifier::Read);
    connect(probeNotifier_.get(), &QSocketNotifier::activated, this,
            &LogindResumeWatcher::onProbeAnswer);
    probeLimit_.setSingleShot(true);
    connect(&probeLimit_, &QTimer::timeout, this, [this] {
        endProbe();
        std::fprintf(stderr,
                     "dimwarden: the system bus takes connections but does not answer; a resume "
                     "from suspend is not watched\n");
    });
    probeLimit_.start(kProbeLimitMs);
}

void LogindResumeWatcher::onProbeAnswer() {
    char buf[256];
    const ssize_t n = ::recv(probeFd_, buf, sizeof buf, 0);
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
        return;
    }
    endProbe();
    if (n > 0) {
        subscribe();
    }
}

void LogindResumeWatcher::endProbe() {
    probeLimit_.stop();
    probeNotifier_.reset();
    if (probeFd_ >= 0) {
        ::close(probeFd_);
        probeFd_ = -1;
    }
}

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
