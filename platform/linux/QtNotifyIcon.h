#pragma once

#include <QObject>
#include <memory>
#include <optional>
#include <string>

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

    // Qt looks for a StatusNotifier host on the session bus, synchronously. Until
    // `sessionBusUsable` the icon is only noted, and the notification area counts as there (the
    // main window is not shown before then, and is told again when it is built); the noted icon
    // is added from the event loop just after.
    void holdUntilSessionBusUsable() { held_ = true; }
    void sessionBusUsable();

  private:
    std::unique_ptr<QSystemTrayIcon> icon_;
    bool held_ = false;
    std::optional<std::string> heldTip_;
};
