#include "platform/win32/ConsoleAttach.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdio>

namespace win {

bool attachParentConsole(ConsoleSystem& system) {
    const bool needOut = !system.usable(Stream::Out);
    const bool needErr = !system.usable(Stream::Err);
    // Both handed over (redirected, or a console already there, as under Wine from a shell):
    // attaching would only add a console the streams do not use.
    if ((!needOut && !needErr) || !system.attachToParent()) {
        return false;
    }
    if (needOut) {
        system.reopenOnConsole(Stream::Out);
    }
    if (needErr) {
        system.reopenOnConsole(Stream::Err);
    }
    return true;
}

bool Win32Console::usable(Stream s) {
    const HANDLE h = GetStdHandle(s == Stream::Out ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
    return h != nullptr && h != INVALID_HANDLE_VALUE && GetFileType(h) != FILE_TYPE_UNKNOWN;
}

bool Win32Console::attachToParent() {
    return AttachConsole(ATTACH_PARENT_PROCESS) != FALSE;
}

void Win32Console::reopenOnConsole(Stream s) {
    FILE* stream = s == Stream::Out ? stdout : stderr;
    if (std::freopen("CONOUT$", "w", stream) != nullptr) {
        // Line by line, as a console stream is: a status line shows before the program goes on.
        std::setvbuf(stream, nullptr, _IONBF, 0);
    }
}

}  // namespace win
