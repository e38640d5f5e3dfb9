#include "platform/win32/Win32SettingsDirectory.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <vector>

std::string Win32SettingsDirectory::directory() {
    std::vector<char> buffer(80);
    UINT count = GetWindowsDirectoryA(buffer.data(), static_cast<UINT>(buffer.size()));
    if (count >= buffer.size()) {
        // Too small: the count is then the size needed, terminator included. Ask once more.
        buffer.resize(count);
        count = GetWindowsDirectoryA(buffer.data(), static_cast<UINT>(buffer.size()));
    }
    if (count == 0 || count >= buffer.size()) {
        return {};
    }
    std::string dir(buffer.data(), count);
    // Only a drive root ("C:\") ends in a separator; the file name brings its own.
    if (!dir.empty() && dir.back() == '\\') {
        dir.pop_back();
    }
    return dir;
}
