#include "platform/linux/BusProbe.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "platform/linux/sender/BusHandshake.h"

BusProbe::BusProbe(std::string addressList, int limitMs, QObject* parent)
    : QObject(parent), addressList_(std::move(addressList)), limitMs_(limitMs) {}

void BusProbe::start(std::function<void(Answer)> done) {
    done_ = std::move(done);
    const auto address = bushandshake::unixAddress(addressList_);
    if (!address) {
        end(Answer::Speaks);
        return;
    }
    fd_ = bushandshake::open(*address);
    if (fd_ < 0) {
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
    switch (bushandshake::ask(addressList_, limitMs_)) {
        case bushandshake::Answer::Speaks:
            return Answer::Speaks;
        case bushandshake::Answer::Absent:
            return Answer::Absent;
        case bushandshake::Answer::Silent:
            break;
    }
    return Answer::Silent;
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
