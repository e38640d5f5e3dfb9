#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <QTimer>
#include <functional>
#include <memory>

// Watches logind's PrepareForSleep signal on the system bus and calls back on its `false`, the
// resume. Where there is no system bus it watches nothing and says nothing.
//
// Qt connects to a bus synchronously and waits for ever on one that takes the connection but
// never answers, so the bus is first asked without blocking whether it speaks at all (the first
// step of its handshake, on the event loop, for at most a few seconds); only then does Qt
// connect. One that stays silent is said once on stderr and not watched.
class LogindResumeWatcher : public QObject {
    Q_OBJECT
  public:
    explicit LogindResumeWatcher(std::function<void()> onResume, QObject* parent = nullptr);
    ~LogindResumeWatcher() override;
    bool watching() const { return watching_; }

  private slots:
    void onPrepareForSleep(bool starting);

  private:
    void probe();
    void onProbeAnswer();
    void endProbe();
    void subscribe();

    std::function<void()> onResume_;
    bool watching_ = false;
    int probeFd_ = -1;
    std::unique_ptr<QSocketNotifier> probeNotifier_;
    QTimer probeLimit_;
};
