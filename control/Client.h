#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "control/Command.h"
#include "control/CommandMessage.h"

// The sending side of a command, the same on every system: what it prints, when it says no
// instance runs, and its exit status. The way to the instance is a Transport.
namespace control {

class Transport {
  public:
    enum class Reach { Answered, NoInstance, Failed };
    struct Reply {
        Reach reach = Reach::Failed;
        Answer answer;
        std::string error;  // why it failed, when the channel says
    };

    virtual ~Transport() = default;
    // Where an instance would run: "on this display", "in this session".
    virtual std::string_view place() const = 0;
    // Waits up to `patience` for an instance still in its load sequence.
    virtual void awaitInstance(std::chrono::milliseconds patience) = 0;
    // The command's arguments as typed (commandArgs) to the instance, and its answer.
    virtual Reply send(const std::vector<std::string>& args) = 0;
    // --watch: listens for changes from before the first read; false when it cannot.
    virtual bool listen() = 0;
    // Blocks until the state may have changed (true) or the instance has ended (false).
    virtual bool waitForChange() = 0;
};

// The exit status; nothing when no instance runs and the command is one that starts the tool.
std::optional<int> runClient(Transport& transport, const Command& command,
                             std::chrono::milliseconds patience = {});

}  // namespace control
