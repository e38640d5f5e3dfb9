#include "platform/linux/RuntimeJournalStore.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QStandardPaths>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "gamma/GammaJournal.h"

namespace {
// A journal holds two ramps per output; anything much larger is not one of ours.
constexpr std::size_t kMaxJournal = 1 << 20;
}  // namespace

RuntimeJournalStore::RuntimeJournalStore(std::string directory) : directory_(std::move(directory)) {
    if (!directory_.empty()) {
        return;
    }
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime != nullptr && *runtime) {
        directory_ = runtime;  // taken as it is: the checks below decide whether it serves
    } else {
        // Where Qt keeps runtime files without it: a folder of the user's own in the temporary
        // folder, which Qt creates with mode 0700.
        directory_ =
            QDir::cleanPath(QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation))
                .toStdString();
    }
}

std::string RuntimeJournalStore::path(const std::string& key) const {
    if (directory_.empty()) {
        return {};
    }
    // Display names hold ':' and '.' and, for remote ones, a host name.
    return directory_ + "/" + journal::fileName(key);
}

void RuntimeJournalStore::warn(const std::string& what) {
    if (!warned_) {
        warned_ = true;
        std::fprintf(stderr, "dimwarden: %s\n", what.c_str());
    }
}

// Another user who can write into the folder could plant a journal that blacks out the screen,
// or a link that a save would follow: only a folder of this user's that nobody else can write
// is used, for reading and writing alike.
bool RuntimeJournalStore::folderIsPrivate() {
    if (directory_.empty()) {
        warn("no runtime folder to keep a crash journal in; a kill would leave the tint");
        return false;
    }
    struct stat st {};
    const char* problem = nullptr;
    if (::lstat(directory_.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        problem = "is no folder";
    } else if (st.st_uid != ::geteuid()) {
        problem = "belongs to another user";
    } else if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
        problem = "can be written by other users";
    }
    if (problem != nullptr) {
        warn("no crash journal is kept: the runtime folder " + directory_ + " " + problem +
             "; a kill would leave the tint");
        return false;
    }
    return true;
}

std::optional<std::string> RuntimeJournalStore::load(const std::string& key) {
    const std::string file = path(key);
    if (file.empty() || !folderIsPrivate()) {
        return std::nullopt;
    }
    // O_NONBLOCK: a FIFO in its place must not stop the start; it is refused below.
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        if (errno != ENOENT) {
            std::fprintf(stderr, "dimwarden: ignoring the crash journal %s: %s\n", file.c_str(),
                         errno == ELOOP ? "it is a symbolic link" : std::strerror(errno));
        }
        return std::nullopt;
    }
    struct stat st {};
    const char* refused = nullptr;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        refused = "it is not a regular file";
    } else if (st.st_uid != ::geteuid()) {
        refused = "it belongs to another user";
    }
    std::string bytes;
    ssize_t n = 0;
    if (refused == nullptr) {
        char buf[16384];
        while ((n = ::read(fd, buf, sizeof buf)) > 0 && bytes.size() <= kMaxJournal) {
            bytes.append(buf, static_cast<std::size_t>(n));
        }
        if (n < 0 || bytes.size() > kMaxJournal) {
            refused = "it cannot be read, or is too large to be one";
        }
    }
    ::close(fd);
    if (refused != nullptr) {
        std::fprintf(stderr, "dimwarden: ignoring the crash journal %s: %s\n", file.c_str(),
                     refused);
        return std::nullopt;
    }
    return bytes;
}

void RuntimeJournalStore::save(const std::string& key, const std::string& bytes) {
    const std::string file = path(key);
    if (file.empty() || !folderIsPrivate()) {
        return;
    }
    // A fresh file every time: whatever is at the temporary name (a leftover of a kill, a link
    // to another file, a FIFO) is taken away, never opened, so the write lands nowhere else.
    const std::string temp = file + ".new";
    ::unlink(temp.c_str());
    const int fd = ::open(temp.c_str(),
                          O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
    if (fd < 0) {
        warn("cannot write the crash journal " + temp + ": " + std::strerror(errno));
        return;
    }
    std::size_t done = 0;
    bool ok = true;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            ok = false;
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    // No fsync: the runtime directory is a tmpfs and does not outlive a power cut anyway.
    ok = ::close(fd) == 0 && ok;
    if (!ok || std::rename(temp.c_str(), file.c_str()) != 0) {
        warn("cannot write the crash journal " + file + ": " + std::strerror(errno));
        ::unlink(temp.c_str());
    }
}

void RuntimeJournalStore::remove(const std::string& key) {
    const std::string file = path(key);
    if (!file.empty() && folderIsPrivate()) {
        ::unlink(file.c_str());
    }
}
