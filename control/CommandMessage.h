#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "control/Command.h"
#include "control/Controller.h"

// A command as one message from a sending process to the running instance, and the state the
// instance answers with as one number: how the Windows build forwards commands between windows.
namespace control {

// The command's options as typed, each ended by a NUL ("--color\0#0080FF\0"), so the instance
// reads them with the command line's own parser. How the sender prints (--json) stays with it.
std::string packCommand(const Command& command);
// Exactly one sound command, or nothing: the bytes come from another process.
std::optional<Command> unpackCommand(std::string_view bytes);

// The state as the answer to a command: bit 31 set (0 stays free for "refused"), bit 30 night,
// bits 24..29 the brightness, bits 0..23 the colour.
std::uint32_t packState(const State& state);
// Nothing for "refused" or a number no instance sends.
std::optional<State> unpackState(std::uint32_t packed);

}  // namespace control
