#pragma once

#include <cstdint>

// A top-level window as the system knows it (an X11 window id, a Win32 HWND, or the toolkit's own
// id where neither exists), so that the forms can hand a window to the platform untyped.
using NativeWindow = std::uintptr_t;

// An interactive move of a top-level window that starts at the pointer, carried out by the window
// manager. Returns false where none will do it (no window manager); the caller then has its view
// follow the pointer instead.
class WindowDrag {
  public:
    virtual ~WindowDrag() = default;
    virtual bool startMove(NativeWindow window) = 0;
};
