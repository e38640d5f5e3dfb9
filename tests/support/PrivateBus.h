#pragma once

#include <QDBusConnection>
#include <QString>
#include <string>
#include <vector>

#include "support/ChildProcess.h"

// A private D-Bus daemon for one test (dbus-daemon --session --nofork), killed by its PID when
// the object goes. running() is false and error() says why when it would not start.
class PrivateBus {
  public:
    static bool available();  // dbus-daemon is installed
    PrivateBus();
    ~PrivateBus();
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    bool running() const { return !address_.isEmpty(); }
    const QString& error() const { return error_; }
    const QString& address() const { return address_; }

    // A new connection of this process to the bus; closed when the bus object goes.
    QDBusConnection connect();

  private:
    ChildProcess daemon_;
    QString address_;
    QString error_;
    std::vector<QString> connections_;
};

// A bus that takes connections and never answers, as a hung daemon does: a listening socket at
// `folder`/dead-bus that nobody reads. Closed when the object goes.
class SilentBus {
  public:
    explicit SilentBus(const std::string& folder);
    ~SilentBus();
    SilentBus(const SilentBus&) = delete;
    SilentBus& operator=(const SilentBus&) = delete;

    bool listening() const { return fd_ >= 0; }
    // Its D-Bus address, for DBUS_SESSION_BUS_ADDRESS or DBUS_SYSTEM_BUS_ADDRESS.
    const std::string& address() const { return address_; }

  private:
    int fd_ = -1;
    std::string address_;
};
