#include "platform/linux/sender/BusHandshake.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace bushandshake {

// With its %-escapes undone.
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

int open(const sockaddr_un& address) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    const socklen_t size = address.sun_path[0] != '\0'
                               ? sizeof(sockaddr_un)
                               : static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 +
                                                        std::strlen(address.sun_path + 1));
    if (fd < 0 || ::connect(fd, reinterpret_cast<const sockaddr*>(&address), size) != 0) {
        if (fd >= 0) {
            ::close(fd);
        }
        return -1;
    }
    // A NUL byte and an AUTH line, which any bus answers (OK or REJECTED) at once.
    std::string hello("\0AUTH EXTERNAL ", 15);
    for (char digit : std::to_string(::getuid())) {
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02x", static_cast<unsigned char>(digit));
        hello += hex;
    }
    hello += "\r\n";
    if (::send(fd, hello.data(), hello.size(), MSG_NOSIGNAL) !=
        static_cast<ssize_t>(hello.size())) {
        ::close(fd);
        return -1;
    }
    return fd;
}

Answer ask(const std::string& list, int limitMs) {
    const std::optional<sockaddr_un> address = unixAddress(list);
    if (!address) {
        return Answer::Speaks;
    }
    const int fd = open(*address);
    if (fd < 0) {
        return Answer::Absent;
    }
    pollfd ready{fd, POLLIN, 0};
    int n = 0;
    while ((n = ::poll(&ready, 1, limitMs)) < 0 && errno == EINTR) {
    }
    char buf[256];
    const Answer answer = n <= 0                               ? Answer::Silent
                          : ::recv(fd, buf, sizeof buf, 0) > 0 ? Answer::Speaks
                                                               : Answer::Absent;
    ::close(fd);
    return answer;
}

}  // namespace bushandshake
