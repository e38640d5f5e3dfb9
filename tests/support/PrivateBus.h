#pragma once

#include <QDBusConnection>
#include <QString>
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
