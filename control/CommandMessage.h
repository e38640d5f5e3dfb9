#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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

// What the instance answers a command with: its exit status, the state after it (packState) when
// done, and the one line of a refusal.
struct Answer {
    int status = kDone;
    std::string state;
    std::string message;
};
// Reads `args` with the command line's parser and applies the command; what every channel of
// the instance does with a command.
Answer answer(Controller& controller, const std::vector<std::string>& args);
// The answer as one text ("status=0\n" then the state's lines), and back; nothing for text no
// instance sends.
std::string packAnswer(const Answer& answer);
std::optional<Answer> unpackAnswer(std::string_view text);

}  // namespace control
