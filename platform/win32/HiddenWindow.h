#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace win {

// A top-level window that is never shown, for messages the system broadcasts to top-level
// windows only (a message-only window gets none). `procedure` finds `owner` with ownerOf.
HWND createHiddenWindow(const wchar_t* className, WNDPROC procedure, void* owner);
// The owner given at creation; null before it is known and after destroyHiddenWindow.
void* ownerOf(HWND hwnd, UINT msg, LPARAM lParam);
void destroyHiddenWindow(HWND hwnd);

}  // namespace win
