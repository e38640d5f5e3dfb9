#pragma once

#include <QObject>
#include <functional>
#include <memory>

#include "platform/linux/BusProbe.h"

// Watches logind's PrepareForSleep signal on the system bus and calls back on its `false`, the
// resume. Where there is no system bus it watches nothing and says nothing.
//
// The bus is first asked without blocking whether it speaks at all (BusProbe); only then does Qt
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
    void subscribe();

    std::function<void()> onResume_;
    bool watching_ = false;
    std::unique_ptr<BusProbe> probe_;
};
