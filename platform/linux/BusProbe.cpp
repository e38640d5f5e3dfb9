#include "platform/linux/BusProbe.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

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

BusProbe::BusProbe(std::string addressList, int limitMs, QObject* parent)
    : QObject(parent), addressList_(std::move(addressList)), limitMs_(limitMs) {}

void BusProbe::start(std::function<void(Answer)> done) {
    done_ = std::move(done);
    const std::optional<sockaddr_un> address = unixAddress(addressList_);
    if (!address) {
        end(Answer::Speaks);
        return;
    }
    fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    const socklen_t size = address->sun_path[0] != '\0'
                               ? sizeof(sockaddr_un)
                               : static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 +
                                                        std::strlen(address->sun_path + 1));
    if (fd_ < 0 || ::connect(fd_, reinterpret_cast<const sockaddr*>(&*address), size) != 0) {
        end(Answer::Absent);
        return;
    }
    // A NUL byte and an AUTH line, which any bus answers (OK or REJECTED) at once.
    std::string uid = std::to_string(::getuid());
    std::string hello("\0AUTH EXTERNAL ", 15);
    for (char digit : uid) {
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02x", static_cast<unsigned char>(digit));
        hello += hex;
    }
    hello += "\r\n";
    if (::send(fd_, hello.data(), hello.size(), MSG_NOSIGNAL) !=
        static_cast<ssize_t>(hello.size())) {
        end(Answer::Absent);
        return;
    }
    notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &BusProbe::onAnswer);
    limit_.setSingleShot(true);
    connect(&limit_, &QTimer::timeout, this, [this] { end(Answer::Silent); });
    limit_.start(limitMs_);
}

BusProbe::Answer BusProbe::wait() {
    std::optional<Answer> answer;
    start([&answer](Answer a) { answer = a; });
    if (!answer) {
        limit_.stop();
        pollfd ready{fd_, POLLIN, 0};
        if (::poll(&ready, 1, limitMs_) > 0) {
            onAnswer();
        }
        if (!answer) {
            end(Answer::Silent);
        }
    }
    return *answer;
}

BusProbe::~BusProbe() {
    done_ = nullptr;
    end(Answer::Absent);
}

void BusProbe::onAnswer() {
    char buf[256];
    const ssize_t n = ::recv(fd_, buf, sizeof buf, 0);
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
        return;
    }
    end(n > 0 ? Answer::Speaks : Answer::Absent);
}

void BusProbe::end(Answer answer) {
    limit_.stop();
    notifier_.reset();
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (auto done = std::exchange(done_, nullptr)) {
        done(answer);
    }
}
