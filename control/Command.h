#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "gamma/BgrColor.h"
#include "schedule/Schedule.h"

// The commands that drive a running instance from scripts, hotkeys and status bars, as typed on
// the command line. Plain C++: every platform's sender and receiver reads them the same way.
namespace control {

// Exit statuses of a command.
inline constexpr int kDone = 0;
inline constexpr int kFailed = 1;      // the instance could not be reached or refused it
inline constexpr int kBadUsage = 2;    // nothing was sent
inline constexpr int kNotRunning = 3;  // --status, --watch or --quit with no instance

// The window's slider scale.
inline constexpr int kMinBrightness = 0;
inline constexpr int kMaxBrightness = 40;
// A colour temperature's range, in kelvin.
inline constexpr int kMinKelvin = 1000;
inline constexpr int kMaxKelvin = 10000;
// What the settings file keeps of the untinted outputs: more is refused on every channel.
inline constexpr std::size_t kMaxUntinted = 256;
inline constexpr std::size_t kMaxOutputNameBytes = 253;  // as stored, %XX escapes included
// The longest text any other command takes; a schedule's or a colour's is far shorter.
inline constexpr std::size_t kMaxTextBytes = 64;

enum class Action {
    Night,
    Normal,
    Toggle,
    Color,
    Brightness,
    Schedule,
    Fade,
    Status,
    Watch,
    Tint,
    Untint,
    Quit,
    Temperature,
    Autostart,
    PauseFullscreen,
    PauseApps
};

struct Command {
    Action action = Action::Status;
    BgrColor color;                 // Color
    int brightness = 0;             // Brightness: the position, or the step when relative
    bool relative = false;          // Brightness: "+N" or "-N"
    ::Schedule schedule;            // Schedule: off clears it
    int fade = 0;                   // Fade: seconds, 0..3600
    bool json = false;              // Status and Watch: one JSON object a line
    std::string output;             // Tint and Untint: the output's name, never empty
    int kelvin = 0;                 // Temperature: 1000..10000, to the nearest 100
    bool on = false;                // Autostart and PauseFullscreen: on or off
    std::vector<std::string> apps;  // PauseApps: application names, none clears the list

    bool operator==(const Command&) const = default;
};

// A command line with the command taken out: what is left goes to the ordinary option parser.
struct ParsedCommandLine {
    std::optional<Command> command;
    std::vector<std::string> rest;
    std::string error;  // one clause for "dimwarden: ..."; empty when the line is sound
};

// `args` without the program name.
ParsedCommandLine takeCommand(const std::vector<std::string>& args);

// "#RRGGBB" or "RRGGBB", hex digits of either case.
std::optional<BgrColor> parseColor(std::string_view text);
// As "#RRGGBB".
std::string formatColor(BgrColor color);

struct BrightnessArgument {
    int value = 0;  // the position, or the signed step
    bool relative = false;
};
// "N" (0..40), "+N" or "-N" (N 0..40).
std::optional<BrightnessArgument> parseBrightness(std::string_view text);
// The position a brightness command asks for when the slider stands at `current`: a step
// stops at the slider's ends.
int targetBrightness(const Command& command, int current);

// A fade's seconds, "0" to "3600".
std::optional<int> parseFade(std::string_view text);

// Commands that start the tool when none runs; the others only ask.
bool startsTool(Action action);

// The options as typed that carry `command` ("--color", "#0080FF"), without --json: what a
// client sends, which the instance reads with takeCommand.
std::vector<std::string> commandArgs(const Command& command);

// The whole usage text (--help), the same on every system.
std::string usageText();

}  // namespace control
