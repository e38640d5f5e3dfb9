#pragma once

#include "widgets/WindowDrag.h"

// The window manager's interactive move (where there is a window manager that offers it).
class QtWindowDrag : public WindowDrag {
  public:
    bool startMove(QWidget* window) override;
};
