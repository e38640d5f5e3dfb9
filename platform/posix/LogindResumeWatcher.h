#pragma once

#include <QObject>
#include <functional>

// Watches logind's PrepareForSleep signal on the system bus and calls back on its `false`, the
// resume. Where there is no system bus it watches nothing and says nothing.
class LogindResumeWatcher : public QObject {
    Q_OBJECT
  public:
    explicit LogindResumeWatcher(std::function<void()> onResume, QObject* parent = nullptr);
    bool watching() const { return watching_; }

  private slots:
    void onPrepareForSleep(bool starting);

  private:
    std::function<void()> onResume_;
    bool watching_ = false;
};
