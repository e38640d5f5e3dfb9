#include "platform/win32/Win32ProfileFile.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace {
// A value arrives cut to one less than this, the last place holding the terminator.
constexpr DWORD kValueBuffer = 255;
}  // namespace

std::string Win32ProfileFile::read(const std::string& path, const std::string& section,
                                   const std::string& key, const std::string& fallback) {
    std::string buffer(kValueBuffer, ' ');
    const DWORD count = GetPrivateProfileStringA(section.c_str(), key.c_str(), fallback.c_str(),
                                                 buffer.data(), kValueBuffer, path.c_str());
    buffer.resize(count < kValueBuffer ? count : kValueBuffer - 1);
    return buffer;
}

bool Win32ProfileFile::write(const std::string& path, const std::string& section,
                             const std::string& key, const std::string& value) {
    return WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), path.c_str()) !=
           FALSE;
}
