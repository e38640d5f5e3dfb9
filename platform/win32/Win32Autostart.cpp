#include "platform/win32/Win32Autostart.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <utility>
#include <vector>

namespace {

std::string failed(const char* what, LSTATUS status) {
    return std::string(what) + " the registry's Run value (error " + std::to_string(status) + ")";
}

}  // namespace

Win32Autostart::Win32Autostart(std::wstring command) : command_(std::move(command)) {}

std::wstring Win32Autostart::runningProgram() {
    // Paths may pass MAX_PATH; grow the buffer until the whole one fits.
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), DWORD(path.size()));
        if (n == 0) {
            return {};
        }
        if (n < path.size()) {
            return L"\"" + std::wstring(path.data(), n) + L"\"";
        }
        path.resize(path.size() * 2);
    }
}

bool Win32Autostart::enabled() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
        return false;
    }
    DWORD type = 0;
    const bool there =
        RegQueryValueExW(key, kValue, nullptr, &type, nullptr, nullptr) == ERROR_SUCCESS &&
        (type == REG_SZ || type == REG_EXPAND_SZ);
    RegCloseKey(key);
    return there;
}

std::string Win32Autostart::set(bool on) {
    if (!on) {
        const LSTATUS status = RegDeleteKeyValueW(HKEY_CURRENT_USER, kKey, kValue);
        return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND
                   ? std::string()
                   : failed("cannot remove", status);
    }
    if (command_.empty()) {
        return "the program's own path is unknown, so no Run value can be written";
    }
    const auto bytes = DWORD((command_.size() + 1) * sizeof(wchar_t));
    const LSTATUS status =
        RegSetKeyValueW(HKEY_CURRENT_USER, kKey, kValue, REG_SZ, command_.c_str(), bytes);
    return status == ERROR_SUCCESS ? std::string() : failed("cannot write", status);
}
