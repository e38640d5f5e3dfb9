#include "platform/linux/FlockSingleInstance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QDir>
#include <QStandardPaths>
#include <cerrno>
#include <cstdio>
#include <cstring>

FlockSingleInstance::~FlockSingleInstance() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

bool FlockSingleInstance::anotherRunning() {
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty()) {
        dir = QDir::tempPath();
    }
    const QByteArray path = QFile::encodeName(dir + QStringLiteral("/dimwarden.lock"));
    // O_NOFOLLOW: a link planted in place of the lock must not make us create a file elsewhere.
    const int fd =
        ::open(path.constData(),
               O_RDONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK, 0600);
    if (fd < 0) {
        std::fprintf(stderr,
                     "dimwarden: cannot use the lock %s (%s); not checking for another "
                     "instance\n",
                     path.constData(), std::strerror(errno));
        return false;
    }
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR) {
            continue;
        }
        const int error = errno;
        ::close(fd);
        if (error == EWOULDBLOCK) {
            return true;
        }
        std::fprintf(stderr, "dimwarden: cannot lock %s (%s); not checking for another instance\n",
                     path.constData(), std::strerror(error));
        return false;
    }
    if (fd_ >= 0) {
        ::close(fd_);
    }
    fd_ = fd;
    return false;
}
