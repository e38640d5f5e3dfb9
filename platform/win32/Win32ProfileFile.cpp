#include "platform/win32/Win32ProfileFile.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <vector>

#include "platform/win32/common/WinText.h"

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

bool Win32ProfileFile::writeSection(const std::string& path, const std::string& section,
                                    const Entries& entries) {
    const std::wstring file = win::toWide(path);
    const std::wstring name = win::toWide(section);
    // The section as NUL-separated "key=value" lines; a buffer too small comes back two short.
    std::wstring buffer(4096, L'\0');
    DWORD count = 0;
    for (;;) {
        count = GetPrivateProfileSectionW(name.c_str(), buffer.data(),
                                          static_cast<DWORD>(buffer.size()), file.c_str());
        if (count + 2 < buffer.size() || buffer.size() >= (1u << 24)) {
            break;
        }
        buffer.assign(buffer.size() * 4, L'\0');
    }
    std::vector<std::wstring> lines;
    for (std::size_t at = 0; at < count;) {
        const std::size_t end = buffer.find(L'\0', at);
        lines.push_back(buffer.substr(at, end - at));
        at = end + 1;
    }
    for (const auto& [key, value] : entries) {
        const std::wstring wideKey = win::toWide(key);
        const std::wstring line = wideKey + L"=" + win::toWide(value);
        bool found = false;
        for (std::wstring& existing : lines) {
            std::size_t eq = existing.find(L'=');
            while (eq != std::wstring::npos && eq > 0 && existing[eq - 1] == L' ') {
                --eq;
            }
            if (eq != std::wstring::npos &&
                CompareStringOrdinal(existing.c_str(), static_cast<int>(eq), wideKey.c_str(),
                                     static_cast<int>(wideKey.size()), TRUE) == CSTR_EQUAL) {
                existing = line;
                found = true;
                break;
            }
        }
        if (!found) {
            lines.push_back(line);
        }
    }
    std::wstring block;
    for (const std::wstring& line : lines) {
        block += line;
        block += L'\0';
    }
    block += L'\0';
    return WritePrivateProfileSectionW(name.c_str(), block.c_str(), file.c_str()) != FALSE;
}
