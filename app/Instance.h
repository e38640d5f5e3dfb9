#pragma once

#include <functional>
#include <optional>

#include "control/Command.h"

class SystemPlatform;
class frmMain;

// The toolkit's event loop: `run` returns the process's status once `quit` was called.
// `buildWindows` makes the main window's view; it is called once the screen is tinted.
struct EventLoop {
    std::function<int()> run;
    std::function<void()> quit;
    std::function<void()> buildWindows;
};

// The program's life around its event loop, the same on every system: the load, the command
// given to this start, commands from outside for as long as the window is loaded, the unload.
// Returns the process's exit status. `argc` and `argv` go to a command that must be sent on to
// an instance that won the display a moment before this one.
int runInstance(SystemPlatform& system, frmMain& form,
                const std::optional<control::Command>& command, int argc, char** argv,
                const EventLoop& loop);
