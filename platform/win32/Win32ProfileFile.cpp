#include "platform/win32/Win32ProfileFile.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include "platform/win32/WinText.h"

namespace {
// A value arrives cut to one less than this, the last place holding the terminator.
constexpr DWORD kValueBuffer = 255;
}  // namespace

std::string Win32ProfileFile::read(const std::string& path, const std::string& section,
                                   const std::string& key, const std::string& fallback) {
    std::wstring buffer(kValueBuffer, L' ');
    const DWORD count = GetPrivateProfileStringW(
        win::toWide(section).c_str(), win::toWide(key).c_str(), win::toWide(fallback).c_str(),
        buffer.data(), kValueBuffer, win::toWide(path).c_str());
    buffer.resize(count < kValueBuffer ? count : kValueBuffer - 1);
    return win::toUtf8(buffer);
}

bool Win32ProfileFile::write(const std::string& path, const std::string& section,
                             const std::string& key, const std::string& value) {
    // A file that does not exist yet is created in the ANSI form, as before.
    return WritePrivateProfileStringW(win::toWide(section).c_str(), win::toWide(key).c_str(),
                                      win::toWide(value).c_str(),
                                      win::toWide(path).c_str()) != FALSE;
}
