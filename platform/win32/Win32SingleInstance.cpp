#include "platform/win32/Win32SingleInstance.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <utility>

Win32SingleInstance::Win32SingleInstance(std::wstring name) : name_(std::move(name)) {}

Win32SingleInstance::~Win32SingleInstance() {
    if (mutex_ != nullptr) {
        CloseHandle(mutex_);
    }
}

bool Win32SingleInstance::anotherRunning() {
    if (mutex_ != nullptr) {
        return false;  // this instance holds it already
    }
    // Only the mutex's existence counts; it is never waited on, so a crash cannot leave it
    // abandoned in a way that matters.
    HANDLE mutex = CreateMutexW(nullptr, FALSE, name_.c_str());
    const DWORD error = GetLastError();
    if (mutex == nullptr) {
        // Another user's object of that name in this session (access denied) still means another
        // instance here; any other failure lets the tool run rather than never start.
        return error == ERROR_ACCESS_DENIED;
    }
    if (error == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);
        return true;
    }
    mutex_ = mutex;
    return false;
}
