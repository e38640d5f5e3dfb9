#pragma once

#include "forms/WindowDrag.h"

// The window manager's interactive move (where there is a window manager that offers it).
class QtWindowDrag : public WindowDrag {
  public:
    bool startMove(NativeWindow window) override;
};
