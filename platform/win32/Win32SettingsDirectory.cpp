#include "platform/win32/Win32SettingsDirectory.h"

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
#include <vector>

#include "platform/win32/common/WinText.h"
#include "settings/ColorSetting.h"

namespace {

std::string roamingAppData() {
    PWSTR path = nullptr;
    std::string result;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_RoamingAppData, 0, nullptr, &path))) {
        result = win::toUtf8(path);
    }
    CoTaskMemFree(path);
    return result;
}

bool isFile(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(win::toWide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// Only a drive root ("C:\") ends in a separator; the file name brings its own.
std::string withoutSeparator(std::string dir) {
    if (!dir.empty() && dir.back() == '\\') {
        dir.pop_back();
    }
    return dir;
}

}  // namespace

Win32SettingsDirectory::Win32SettingsDirectory(std::string appData, std::string windowsDir)
    : appData_(std::move(appData)), windowsDir_(std::move(windowsDir)) {}

std::string Win32SettingsDirectory::windowsDirectory() {
    std::vector<wchar_t> buffer(80);
    UINT count = GetWindowsDirectoryW(buffer.data(), static_cast<UINT>(buffer.size()));
    if (count >= buffer.size()) {
        // Too small: the count is then the size needed, terminator included. Ask once more.
        buffer.resize(count);
        count = GetWindowsDirectoryW(buffer.data(), static_cast<UINT>(buffer.size()));
    }
    if (count == 0 || count >= buffer.size()) {
        return {};
    }
    return withoutSeparator(win::toUtf8(std::wstring(buffer.data(), count)));
}

std::string Win32SettingsDirectory::directory() {
    const std::string root = withoutSeparator(appData_.empty() ? roamingAppData() : appData_);
    if (root.empty()) {
        return {};
    }
    const std::string dir = root + "\\Dimwarden";
    // The profile functions create the file but not its folder (nor, on a fresh profile, the
    // application-data folder itself).
    CreateDirectoryW(win::toWide(root).c_str(), nullptr);
    if (!CreateDirectoryW(win::toWide(dir).c_str(), nullptr) &&
        GetLastError() != ERROR_ALREADY_EXISTS) {
        return {};
    }
    return dir;
}

std::string Win32SettingsDirectory::directoryToRead() {
    const std::string dir = directory();
    if (!dir.empty() && isFile(settings::settingsFilePath(dir))) {
        return dir;
    }
    const std::string old =
        windowsDir_.empty() ? windowsDirectory() : withoutSeparator(windowsDir_);
    if (!old.empty() && isFile(settings::settingsFilePath(old))) {
        return old;
    }
    return dir;
}
