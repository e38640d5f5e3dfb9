#include "platform/QtPlatformOps.h"

#include <QDesktopServices>
#include <QDir>
#include <QStandardPaths>
#include <QUrl>
#include <QWidget>
#include <QWindow>

bool QtWindowDrag::startMove(QWidget* window) {
    QWindow* handle = window ? window->windowHandle() : nullptr;
    return handle != nullptr && handle->startSystemMove();
}

bool DesktopUrlOpener::open(const QString& url) {
    return QDesktopServices::openUrl(QUrl(url));
}

bool LockFileSingleInstance::anotherRunning() {
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty()) {
        dir = QDir::tempPath();
    }
    lock_ = std::make_unique<QLockFile>(dir + QStringLiteral("/dimwarden.lock"));
    // A lock whose holder has died is removed by tryLock itself; a live one is never stale.
    lock_->setStaleLockTime(0);
    if (lock_->tryLock(0)) {
        return false;
    }
    return lock_->error() == QLockFile::LockFailedError;
}
