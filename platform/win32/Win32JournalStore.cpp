#include "platform/win32/Win32JournalStore.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// After windows.h.
#include <knownfolders.h>
#include <shlobj.h>

#include <utility>

#include "gamma/GammaJournal.h"
#include "platform/win32/common/WinText.h"

namespace {

// A journal holds two ramps per output; anything much larger is not one of ours.
constexpr DWORD kMaxJournal = 1 << 20;

std::string localAppDataFolder() {
    PWSTR path = nullptr;
    std::string result;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &path))) {
        result = win::toUtf8(path) + "\\Dimwarden";
    }
    CoTaskMemFree(path);
    return result;
}

// Closes a file handle on every path.
class File {
  public:
    explicit File(HANDLE h) : h_(h) {}
    ~File() {
        if (ok()) {
            CloseHandle(h_);
        }
    }
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    bool ok() const { return h_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return h_; }
    // Closes now, reporting whether the close succeeded.
    bool close() {
        const bool closed = ok() && CloseHandle(h_);
        h_ = INVALID_HANDLE_VALUE;
        return closed;
    }

  private:
    HANDLE h_;
};

}  // namespace

Win32JournalStore::Win32JournalStore(std::string directory) : directory_(std::move(directory)) {
    if (directory_.empty()) {
        directory_ = localAppDataFolder();
    }
}

std::string Win32JournalStore::path(const std::string& key) const {
    if (directory_.empty()) {
        return {};
    }
    return directory_ + "\\" + journal::fileName(key);
}

std::optional<std::string> Win32JournalStore::load(const std::string& key) {
    const std::string file = path(key);
    if (file.empty()) {
        return std::nullopt;
    }
    File f(CreateFileW(win::toWide(file).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size = {};
    if (!f.ok() || !GetFileSizeEx(f.get(), &size) || size.QuadPart > kMaxJournal) {
        return std::nullopt;
    }
    std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
    DWORD got = 0;
    if (!bytes.empty() &&
        (!ReadFile(f.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) ||
         got != bytes.size())) {
        return std::nullopt;
    }
    return bytes;
}

void Win32JournalStore::save(const std::string& key, const std::string& bytes) {
    const std::string file = path(key);
    if (file.empty() || bytes.size() > kMaxJournal) {
        return;
    }
    // The folder may not exist yet on the first run.
    CreateDirectoryW(win::toWide(directory_).c_str(), nullptr);
    const std::wstring target = win::toWide(file);
    const std::wstring temp = target + L".new";
    File f(CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!f.ok()) {
        return;
    }
    DWORD written = 0;
    const bool ok =
        WriteFile(f.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
        written == bytes.size();
    if (!f.close() || !ok ||
        !MoveFileExW(temp.c_str(), target.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileW(temp.c_str());
    }
}

void Win32JournalStore::remove(const std::string& key) {
    const std::string file = path(key);
    if (!file.empty()) {
        DeleteFileW(win::toWide(file).c_str());
    }
}
