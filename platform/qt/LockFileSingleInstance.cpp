#include "platform/qt/LockFileSingleInstance.h"

#include <QDir>
#include <QStandardPaths>

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
