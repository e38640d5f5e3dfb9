#pragma once

#include <chrono>
#include <memory>
#include <optional>

#include "control/Controller.h"

// How commands reach the instance that runs on this display: the session bus on Linux.

// Sends `command` to the running instance and returns once it has been applied (--watch: once
// interrupted or the instance ends) with the exit status; prints what --status and --watch
// print. Nothing when no instance answers within `patience` and the command is one that starts
// the tool. Opens no window and touches neither the display nor the settings file.
std::optional<int> sendToRunningInstance(const control::Command& command, int argc, char** argv,
                                         std::chrono::milliseconds patience = {});

// Offers the running instance to commands for as long as the object lives.
class CommandService {
  public:
    virtual ~CommandService() = default;
};
std::unique_ptr<CommandService> serveCommands(control::Controller& controller);
