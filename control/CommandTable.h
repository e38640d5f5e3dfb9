#pragma once

#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "control/Command.h"
#include "control/Controller.h"

// What a command is, and what the state is, written once. The parser, the usage text, the
// arguments a client sends, the instance's handling, the status line and JSON, the answer text
// of the Windows channel, the session bus's properties and introspection, and the shell
// completions all read these two tables.
//
// A new command is one row of kCommands (its option, argument, limit, reading and handling)
// plus, when the form must do something new, its operation on ControlTarget. A new field of the
// state is one row of kFields (how it is read from the tool, shown and written) beside its
// member in State and its getter on ControlTarget; a field that a bus client may write gives its
// `write`, which runs the target's setter. Nothing else names the fields or the commands: the
// parser, usage, status line, JSON, answer text, bus and completions all loop over the rows.
namespace control {

struct CommandRow {
    Action action;
    std::string_view option;    // "--color"
    std::string_view argument;  // as the usage text names it ("<#RRGGBB>"), empty for none
    std::string_view help;      // the usage text's lines for it, after the argument column
    // The longest value taken, in bytes; a longer one is refused with one line saying so.
    std::size_t maxBytes;
    bool startsTool;  // run with no instance, it starts the tool; otherwise status 3
    // Shell completion of the value: the words offered, or "" for any text.
    std::string_view words;
    // Reads the value into `command`; the error clause when it is none of this command's.
    std::string (*read)(std::string_view value, Command& command);
    // The value as typed back from `command`, for the argument list sent to the instance.
    std::string (*write)(const Command& command);
    // Does it in the running instance; a refusal's one line, or empty when done.
    std::string (*apply)(const Command& command, Controller& controller);
};

std::span<const CommandRow> commandRows();
const CommandRow& rowOf(Action action);

// A field's value as the bus carries it.
enum class FieldType { Bool, Int, Text, TextList };
using FieldValue = std::variant<bool, int, std::string, std::vector<std::string>>;

struct FieldRow {
    std::string_view name;  // the bus property ("Night")
    std::string_view key;   // the JSON key and the answer text's key ("night")
    FieldType type;
    bool required;  // the answer text always has it; the others have their defaults
    // Reads it from the running tool.
    void (*take)(State& state, const ControlTarget& target);
    FieldValue (*get)(const State& state);
    // Takes a value read back from another process; false when no instance sends it.
    bool (*set)(State& state, const FieldValue& value);
    // Its token on the status line, without the separating space; empty leaves it out.
    std::string (*status)(const State& state);
    // A bus client's write: the refusal, or empty once done. Null for a read-only field.
    std::string (*write)(Controller& controller, const FieldValue& value);
    // What a write of the wrong type is told ("Night is a boolean (b).").
    std::string_view typeError;
};

std::span<const FieldRow> fieldRows();
const FieldRow* fieldNamed(std::string_view name);

// The D-Bus signature of a field's type ("b", "i", "s", "as").
std::string_view busType(FieldType type);

// The shell completion scripts, from the command table.
std::string bashCompletion();
std::string zshCompletion();
std::string fishCompletion();

}  // namespace control
