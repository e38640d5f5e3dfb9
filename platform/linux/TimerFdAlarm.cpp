#include "platform/linux/TimerFdAlarm.h"

#include <sys/stat.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QSocketNotifier>
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>

#include "platform/linux/SystemClock.h"

TimerFdAlarm::TimerFdAlarm(QObject* parent, std::string zoneFile)
    : QObject(parent), zoneFile_(std::move(zoneFile)) {
    fd_ = timerfd_create(CLOCK_REALTIME, TFD_NONBLOCK | TFD_CLOEXEC);
    if (fd_ < 0) {
        why_ = std::string("timerfd_create: ") + std::strerror(errno);
        return;
    }
    notifier_ = new QSocketNotifier(fd_, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] { readable(); });

    // The zone file is usually a symbolic link that tools replace rather than rewrite, so its
    // folder is watched too; the signature tells a new zone from other files in /etc changing.
    zoneSeen_ = zoneSignature();
    zoneWatcher_ = new QFileSystemWatcher(this);
    const QString file = QString::fromStdString(zoneFile_);
    zoneWatcher_->addPath(QFileInfo(file).absolutePath());
    if (QFileInfo::exists(file)) {
        zoneWatcher_->addPath(file);
    }
    connect(zoneWatcher_, &QFileSystemWatcher::fileChanged, this, [this] { zoneMayHaveChanged(); });
    connect(zoneWatcher_, &QFileSystemWatcher::directoryChanged, this,
            [this] { zoneMayHaveChanged(); });
}

TimerFdAlarm::~TimerFdAlarm() {
    if (fd_ >= 0) {
        delete notifier_;
        ::close(fd_);
    }
}

void TimerFdAlarm::arm(std::int64_t atMs) {
    if (fd_ < 0) {
        return;
    }
    itimerspec spec{};
    // An all-zero time would disarm: anything at or before the epoch is simply due.
    atMs = std::max<std::int64_t>(atMs, 1);
    spec.it_value.tv_sec = static_cast<time_t>(atMs / 1000);
    spec.it_value.tv_nsec = static_cast<long>(atMs % 1000) * 1'000'000;
    timerfd_settime(fd_, TFD_TIMER_ABSTIME | TFD_TIMER_CANCEL_ON_SET, &spec, nullptr);
}

void TimerFdAlarm::disarm() {
    if (fd_ < 0) {
        return;
    }
    const itimerspec none{};
    timerfd_settime(fd_, 0, &none, nullptr);
}

void TimerFdAlarm::readable() {
    std::uint64_t expirations = 0;
    const ssize_t n = ::read(fd_, &expirations, sizeof expirations);
    if (n == sizeof expirations) {
        if (onAlarm) {
            onAlarm();
        }
    } else if (n < 0 && errno == ECANCELED) {
        // The clock was set: the timer's time means something else now. Left disarmed until the
        // owner arms it afresh.
        disarm();
        if (onClockChanged) {
            onClockChanged();
        }
    }
}

std::string TimerFdAlarm::zoneSignature() const {
    std::error_code ec;
    const std::filesystem::path file(zoneFile_);
    std::string signature;
    if (std::filesystem::is_symlink(file, ec)) {
        signature = std::filesystem::read_symlink(file, ec).string();
    }
    struct stat st {};
    if (::stat(zoneFile_.c_str(), &st) == 0) {
        signature += "|" + std::to_string(st.st_ino) + "|" + std::to_string(st.st_size) + "|" +
                     std::to_string(st.st_mtim.tv_sec) + "." + std::to_string(st.st_mtim.tv_nsec);
    }
    return signature;
}

void TimerFdAlarm::zoneMayHaveChanged() {
    const QString file = QString::fromStdString(zoneFile_);
    // A replaced file drops out of the watch list; watch the new one.
    if (QFileInfo::exists(file) && !zoneWatcher_->files().contains(file)) {
        zoneWatcher_->addPath(file);
    }
    const std::string now = zoneSignature();
    if (now == zoneSeen_) {
        return;
    }
    zoneSeen_ = now;
    SystemClock::reloadZone();
    if (onClockChanged) {
        onClockChanged();
    }
}
