#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "control/Command.h"
#include "control/Controller.h"

// A command as one message from a sending process to the running instance, and the state the
// instance answers with as text: how the Windows build forwards commands between windows.
namespace control {

// The command's options as typed, each ended by a NUL ("--color\0#0080FF\0"), so the instance
// reads them with the command line's own parser. How the sender prints (--json) stays with it.
std::string packCommand(const Command& command);
// Exactly one sound command, or nothing: the bytes come from another process.
std::optional<Command> unpackCommand(std::string_view bytes);

// The state as the answer to a command: one "key=value" line a field ("night=1", "color=#0080FF",
// "brightness=40", "schedule=22:00-07:00", "fade=60", "automatic=1", "untinted=DP-1,My%20TV"
// while any), so that fields can be added and a reader passes over keys it does not know.
std::string packState(const State& state);
// Nothing when a field is missing or holds what no instance sends: the text comes from another
// process.
std::optional<State> unpackState(std::string_view text);

}  // namespace control
