#include "platform/win32/Win32UrlOpener.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
// After windows.h.
#include <shellapi.h>

#include "platform/win32/common/WinText.h"

bool Win32UrlOpener::open(const std::string& url) {
    // Only web addresses: the text goes to the shell, which would also run a program path.
    if (url.rfind("https://", 0) != 0 && url.rfind("http://", 0) != 0) {
        return false;
    }
    const auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteW(nullptr, L"open", win::toWide(url).c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    return result > 32;
}
