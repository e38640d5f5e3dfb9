#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>

// Asks a D-Bus bus, without blocking, whether it speaks at all: the first step of its handshake,
// answered by any bus at once, waited for on the event loop for at most `limitMs`.
//
// Qt connects to a bus synchronously and waits for ever on one that takes the connection but
// never answers, so nothing that may run before the event loop is free should connect to a bus
// this has not heard speak.
class BusProbe : public QObject {
  public:
    enum class Answer {
        Speaks,  // it answered, or its transport is not a local socket: Qt's connection decides
        Absent,  // nothing listens at its address
        Silent,  // it took the connection and said nothing within the limit
    };
    // `addressList` is a D-Bus address list.
    BusProbe(std::string addressList, int limitMs, QObject* parent = nullptr);
    ~BusProbe() override;

    // Asks; `done` is called once, possibly before this returns.
    void start(std::function<void(Answer)> done);
    // Asks and waits for the answer, at most the limit: for where the bus itself is the way to
    // the first tint (GNOME's display service).
    Answer wait();

  private:
    void onAnswer();
    void end(Answer answer);

    std::string addressList_;
    int limitMs_;
    std::function<void(Answer)> done_;
    int fd_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
    QTimer limit_;
};
