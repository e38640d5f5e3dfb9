#include "platform/qt/QtNotifyIcon.h"

#include <QSystemTrayIcon>

QtNotifyIcon::QtNotifyIcon() = default;
QtNotifyIcon::~QtNotifyIcon() = default;

bool QtNotifyIcon::available() {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void QtNotifyIcon::add(const QIcon& icon, const QString& tip) {
    if (icon_) {
        return;  // already in place
    }
    icon_ = std::make_unique<QSystemTrayIcon>(icon);
    icon_->setToolTip(tip);
    connect(icon_.get(), &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (!onEvent) {
                    return;
                }
                switch (reason) {
                    case QSystemTrayIcon::Trigger:
                        onEvent(1, LeftDown);
                        break;
                    case QSystemTrayIcon::DoubleClick:
                        onEvent(1, LeftDouble);
                        break;
                    case QSystemTrayIcon::Context:
                        onEvent(2, RightUp);
                        break;
                    case QSystemTrayIcon::MiddleClick:
                        onEvent(4, MiddleDown);
                        break;
                    default:
                        break;
                }
            });
    // Shown even when no notification area exists yet: one that appears later embeds it.
    icon_->show();
}

void QtNotifyIcon::remove() {
    if (icon_) {
        icon_->hide();
        icon_.reset();
    }
}
