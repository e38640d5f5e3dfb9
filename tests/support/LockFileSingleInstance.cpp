#include "support/LockFileSingleInstance.h"

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
    // A lock file whose holder cannot be read (empty, junk) would otherwise block every start
    // until someone deletes it. Removing it fails while a live instance holds it open.
    qint64 pid = 0;
    QString host;
    QString app;
    if (lock_->error() == QLockFile::LockFailedError && !lock_->getLockInfo(&pid, &host, &app) &&
        lock_->removeStaleLockFile() && lock_->tryLock(0)) {
        return false;
    }
    return lock_->error() == QLockFile::LockFailedError;
}
