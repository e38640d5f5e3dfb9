#pragma once

#include <string>

// The program started at the user's login, as the system keeps that: a desktop entry in the
// autostart folder, a value under the registry's Run key.
class Autostart {
  public:
    virtual ~Autostart() = default;

    // Whether the program starts at login, as found now: the user may have added or removed the
    // entry by hand since.
    virtual bool enabled() = 0;
    // Starts the program at login from now on, or no longer. Empty when done (or nothing was to
    // be done); otherwise why not, as a clause for "dimwarden: ...".
    virtual std::string set(bool on) = 0;
};
