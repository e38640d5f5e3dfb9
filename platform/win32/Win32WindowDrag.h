#pragma once

#include "forms/WindowDrag.h"

// The system moves the window as if its caption had been grabbed: the capture is released and
// the window is told the left button went down on its caption. Returns once the move is done.
class Win32WindowDrag : public WindowDrag {
  public:
    bool startMove(NativeWindow window) override;
};
