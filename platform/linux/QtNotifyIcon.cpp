#include "platform/linux/QtNotifyIcon.h"

#include <QGuiApplication>
#include <QSystemTrayIcon>
#include <QTimer>
#include <utility>

QtNotifyIcon::QtNotifyIcon() = default;
QtNotifyIcon::~QtNotifyIcon() = default;

bool QtNotifyIcon::available() {
    return held_ || QSystemTrayIcon::isSystemTrayAvailable();
}

void QtNotifyIcon::sessionBusUsable() {
    held_ = false;
    // After the window, which is built next.
    QTimer::singleShot(0, this, [this] {
        if (const std::optional<std::string> tip = std::exchange(heldTip_, std::nullopt)) {
            add(*tip);
        }
    });
}

void QtNotifyIcon::add(const std::string& tip) {
    if (icon_) {
        return;  // already in place
    }
    if (held_) {
        heldTip_ = tip;
        return;
    }
    icon_ = std::make_unique<QSystemTrayIcon>(QGuiApplication::windowIcon());
    icon_->setToolTip(QString::fromStdString(tip));
    connect(icon_.get(), &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (!onClick) {
                    return;
                }
                switch (reason) {
                    case QSystemTrayIcon::Trigger:
                        onClick(Click::LeftPress);
                        break;
                    case QSystemTrayIcon::DoubleClick:
                        onClick(Click::DoubleClick);
                        break;
                    case QSystemTrayIcon::Context:
                        onClick(Click::RightPress);
                        break;
                    case QSystemTrayIcon::MiddleClick:
                        onClick(Click::MiddlePress);
                        break;
                    case QSystemTrayIcon::Unknown:
                        break;
                }
            });
    // Shown even when no notification area exists yet: one that appears later embeds it.
    icon_->show();
}

void QtNotifyIcon::remove() {
    heldTip_.reset();
    if (icon_) {
        icon_->hide();
        icon_.reset();
    }
}
