#pragma once

class QWidget;

// An interactive move of a top-level window that starts at the pointer, carried out by the window
// manager. Returns false where none will do it (no window manager); the caller then moves the
// window itself.
class WindowDrag {
  public:
    virtual ~WindowDrag() = default;
    virtual bool startMove(QWidget* window) = 0;
};
