#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QTemporaryDir>
#include <memory>

#include "support/ChildProcess.h"

// Debian's mutter as a headless Wayland compositor with one virtual monitor, for one test: on the
// test's private bus, with a runtime folder of its own, killed by its PID when the object goes.
// running() is true once its display service is on the bus; error() says why it is not.
class HeadlessMutter {
  public:
    static bool available();  // mutter is installed
    explicit HeadlessMutter(const QString& busAddress);

    bool running() const { return running_; }
    const QString& error() const { return error_; }

    // This process's environment pointed at the compositor and its bus, for a client.
    QProcessEnvironment environment() const;

  private:
    QString busAddress_;
    QTemporaryDir runtime_;
    std::unique_ptr<ChildProcess> mutter_;
    bool running_ = false;
    QString error_;
};
