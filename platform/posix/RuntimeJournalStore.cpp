#include "platform/posix/RuntimeJournalStore.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <utility>

namespace {
// A journal holds two ramps per output; anything much larger is not one of ours.
constexpr std::size_t kMaxJournal = 1 << 20;
}  // namespace

RuntimeJournalStore::RuntimeJournalStore(std::string directory) : directory_(std::move(directory)) {
    if (directory_.empty()) {
        if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime != nullptr) {
            directory_ = runtime;
        }
    }
}

std::string RuntimeJournalStore::path(const std::string& key) const {
    if (directory_.empty()) {
        return {};
    }
    // Display names hold ':' and '.' and, for remote ones, a host name: keep what is safe in a
    // file name. The key inside the file tells two displays apart that map to one name.
    std::string name;
    for (char ch : key) {
        const bool plain = (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') ||
                           (ch >= '0' && ch <= '9') || ch == '.' || ch == '-' || ch == '_';
        name.push_back(plain ? ch : '_');
    }
    return directory_ + "/dimwarden-gamma-" + name + ".journal";
}

std::optional<std::string> RuntimeJournalStore::load(const std::string& key) {
    const std::string file = path(key);
    if (file.empty()) {
        return std::nullopt;
    }
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) {
        return std::nullopt;
    }
    std::string bytes;
    char buf[16384];
    ssize_t n = 0;
    while ((n = ::read(fd, buf, sizeof buf)) > 0 && bytes.size() <= kMaxJournal) {
        bytes.append(buf, static_cast<std::size_t>(n));
    }
    ::close(fd);
    if (n < 0 || bytes.size() > kMaxJournal) {
        return std::nullopt;
    }
    return bytes;
}

void RuntimeJournalStore::save(const std::string& key, const std::string& bytes) {
    const std::string file = path(key);
    if (file.empty()) {
        return;
    }
    const std::string temp = file + ".new";
    const int fd =
        ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        return;
    }
    std::size_t done = 0;
    bool ok = true;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0) {
            ok = false;
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    // No fsync: the runtime directory is a tmpfs and does not outlive a power cut anyway.
    ok = ::close(fd) == 0 && ok;
    if (!ok || std::rename(temp.c_str(), file.c_str()) != 0) {
        ::unlink(temp.c_str());
    }
}

void RuntimeJournalStore::remove(const std::string& key) {
    const std::string file = path(key);
    if (!file.empty()) {
        ::unlink(file.c_str());
    }
}
