#pragma once

#include <QObject>
#include <string>

#include "schedule/Alarm.h"

class QFileSystemWatcher;
class QSocketNotifier;

// The schedule's alarm: a timerfd on the wall clock at an absolute time, watched by the event
// loop, so an idle tool does no work until it is due. The kernel cancels such a timer when the
// clock is set (by hand, by time sync, on resume), which is passed on as onClockChanged; so is a
// new local time zone, learnt from /etc/localtime changing.
class TimerFdAlarm : public QObject, public Alarm {
  public:
    // `zoneFile`: the file whose change means a new time zone.
    explicit TimerFdAlarm(QObject* parent = nullptr, std::string zoneFile = "/etc/localtime");
    ~TimerFdAlarm() override;

    // False when no timer could be made (then nothing ever fires); why() says why.
    bool working() const { return fd_ >= 0; }
    const std::string& why() const { return why_; }

    void arm(std::int64_t atMs) override;
    void disarm() override;

  private:
    void readable();
    void zoneMayHaveChanged();
    std::string zoneSignature() const;

    int fd_ = -1;
    std::string why_;
    std::string zoneFile_;
    std::string zoneSeen_;
    QSocketNotifier* notifier_ = nullptr;
    QFileSystemWatcher* zoneWatcher_ = nullptr;
};
