#pragma once

#include <sys/un.h>

#include <optional>
#include <string>

// The first step of a D-Bus bus's handshake over a local socket, without the D-Bus library: a
// bus that takes connections but never answers would otherwise hold its client for ever, since
// libdbus and Qt both connect synchronously. Used by the launcher (no toolkit) and the program.
namespace bushandshake {

enum class Answer {
    Speaks,  // it answered, or its transport is not a local socket: the library's connect decides
    Absent,  // nothing listens at its address
    Silent,  // it took the connection and said nothing within the limit
};

// The address of the first unix-socket transport of a D-Bus address list; none for others.
std::optional<sockaddr_un> unixAddress(const std::string& list);
// A non-blocking socket connected to `address` that has sent the handshake's AUTH line, which any
// bus answers at once; -1 when nothing listens there.
int open(const sockaddr_un& address);
// Asks the bus of `list` and waits for its first word, at most `limitMs`.
Answer ask(const std::string& list, int limitMs);

}  // namespace bushandshake
