#pragma once

#include <QObject>
#include <memory>

#include "main_window/NotifyIcon.h"

class QSystemTrayIcon;

// The notification-area icon through Qt: the XEmbed tray or a StatusNotifier host, whichever the
// desktop offers. It shows the application's window icon.
class QtNotifyIcon : public QObject, public NotifyIcon {
    Q_OBJECT
  public:
    QtNotifyIcon();
    ~QtNotifyIcon() override;

    bool available() override;
    void add(const std::string& tip) override;
    void remove() override;

  private:
    std::unique_ptr<QSystemTrayIcon> icon_;
};
