#include "control/Command.h"

#include <algorithm>
#include <array>

#include "schedule/Scheduler.h"

namespace control {
namespace {

struct Option {
    std::string_view name;
    Action action;
    bool takesValue;
};

constexpr std::array<Option, 11> kOptions{{
    {"--night", Action::Night, false},
    {"--normal", Action::Normal, false},
    {"--toggle", Action::Toggle, false},
    {"--color", Action::Color, true},
    {"--brightness", Action::Brightness, true},
    {"--schedule", Action::Schedule, true},
    {"--fade", Action::Fade, true},
    {"--status", Action::Status, false},
    {"--watch", Action::Watch, false},
    {"--tint", Action::Tint, true},
    {"--untint", Action::Untint, true},
}};

int hexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

}  // namespace

std::optional<std::uint32_t> parseColor(std::string_view text) {
    if (!text.empty() && text.front() == '#') {
        text.remove_prefix(1);
    }
    if (text.size() != 6) {
        return std::nullopt;
    }
    std::uint32_t rgb = 0;
    for (char c : text) {
        const int d = hexDigit(c);
        if (d < 0) {
            return std::nullopt;
        }
        rgb = rgb * 16 + static_cast<std::uint32_t>(d);
    }
    // Typed as red, green, blue; held with red in the low byte.
    return ((rgb >> 16) & 0xFFu) | (rgb & 0xFF00u) | ((rgb & 0xFFu) << 16);
}

std::string formatColor(std::uint32_t bgr) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    const std::uint32_t bytes[] = {bgr & 0xFFu, (bgr >> 8) & 0xFFu, (bgr >> 16) & 0xFFu};
    std::string text = "#";
    for (std::uint32_t b : bytes) {
        text += kDigits[b >> 4];
        text += kDigits[b & 0xFu];
    }
    return text;
}

std::optional<BrightnessArgument> parseBrightness(std::string_view text) {
    BrightnessArgument argument;
    int sign = 1;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        argument.relative = true;
        sign = text.front() == '-' ? -1 : 1;
        text.remove_prefix(1);
    }
    // Two digits at most keeps the value far from overflow; a leading zero is harmless.
    if (text.empty() || text.size() > 2) {
        return std::nullopt;
    }
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
    }
    if (value > kMaxBrightness) {
        return std::nullopt;
    }
    argument.value = sign * value;
    return argument;
}

int targetBrightness(const Command& command, int current) {
    if (!command.relative) {
        return command.brightness;
    }
    return std::clamp(current + command.brightness, kMinBrightness, kMaxBrightness);
}

std::optional<int> parseFade(std::string_view text) {
    // Four digits at most keeps the value far from overflow.
    if (text.empty() || text.size() > 4) {
        return std::nullopt;
    }
    int seconds = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        seconds = seconds * 10 + (c - '0');
    }
    if (seconds > Scheduler::kMaxFadeSeconds) {
        return std::nullopt;
    }
    return seconds;
}

bool startsTool(Action action) {
    return action != Action::Status && action != Action::Watch;
}

ParsedCommandLine takeCommand(const std::vector<std::string>& args) {
    ParsedCommandLine parsed;
    std::string commandName;
    bool json = false;
    auto fail = [&parsed](std::string error) {
        parsed.command.reset();
        parsed.error = std::move(error);
        return parsed;
    };

    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--") {
            // Everything after it is positional, for the ordinary parser to judge.
            parsed.rest.insert(parsed.rest.end(), args.begin() + static_cast<long>(i), args.end());
            break;
        }
        if (arg == "--json") {
            json = true;
            continue;
        }
        const std::string_view name = std::string_view(arg).substr(0, arg.find('='));
        const auto option = std::find_if(kOptions.begin(), kOptions.end(),
                                         [&](const Option& o) { return o.name == name; });
        if (option == kOptions.end()) {
            parsed.rest.push_back(arg);
            continue;
        }
        if (parsed.command) {
            return fail("one command at a time (" + commandName + " and " + std::string(name) +
                        ").");
        }
        commandName = std::string(name);
        Command command;
        command.action = option->action;
        const bool inline_value = arg.size() > name.size();
        if (!option->takesValue) {
            if (inline_value) {
                return fail(commandName + " takes no value.");
            }
        } else {
            if (!inline_value && i + 1 >= args.size()) {
                return fail(commandName + " needs a value.");
            }
            const std::string value = inline_value ? arg.substr(name.size() + 1) : args[++i];
            if (option->action == Action::Tint || option->action == Action::Untint) {
                // Any name at all: the output may be one that is plugged in later.
                if (value.empty()) {
                    return fail(commandName + " needs an output name.");
                }
                command.output = value;
            } else if (option->action == Action::Color) {
                const auto color = parseColor(value);
                if (!color) {
                    return fail("'" + value + "' is not a colour: give #RRGGBB or RRGGBB.");
                }
                command.color = *color;
            } else if (option->action == Action::Schedule) {
                const schedule::Parsed parsed = schedule::parse(value);
                if (!parsed.schedule) {
                    return fail("'" + value + "' is not a schedule: " + parsed.error + ".");
                }
                command.schedule = *parsed.schedule;
            } else if (option->action == Action::Fade) {
                const auto fade = parseFade(value);
                if (!fade) {
                    return fail("'" + value + "' is not a fade: give the seconds, from 0 to 3600.");
                }
                command.fade = *fade;
            } else {
                const auto brightness = parseBrightness(value);
                if (!brightness) {
                    return fail("'" + value +
                                "' is not a brightness: give N, +N or -N with N from 0 to 40.");
                }
                command.brightness = brightness->value;
                command.relative = brightness->relative;
            }
        }
        parsed.command = command;
    }

    if (json) {
        if (!parsed.command ||
            (parsed.command->action != Action::Status && parsed.command->action != Action::Watch)) {
            return fail("--json goes with --status or --watch.");
        }
        parsed.command->json = true;
    }
    return parsed;
}

const char* commandsHelp() {
    return "\n"
           "Commands for the instance running on this display (one at a time):\n"
           "  --night                   Switch night mode on.\n"
           "  --normal                  Switch to normal mode.\n"
           "  --toggle                  Switch between night and normal mode.\n"
           "  --color <#RRGGBB>         Tint with this colour, as a swatch pick does.\n"
           "  --brightness <N|+N|-N>    Move the brightness slider to N, or by N (0 to 40).\n"
           "  --schedule <WHEN>         Night by the clock (HH:MM-HH:MM, local time), from dusk\n"
           "                            to dawn at a place (sun:LATITUDE,LONGITUDE), or off.\n"
           "  --fade <SECONDS>          How long a scheduled change takes (0 to 3600).\n"
           "  --status [--json]         Print the state: night|normal #RRGGBB brightness, then\n"
           "                            schedule=WHEN fade=SECONDS [automatic=off] when one is\n"
           "                            set, untinted=NAME,... when outputs are left untinted.\n"
           "  --watch [--json]          Print the state again on every change.\n"
           "  --untint <NAME>           Leave this output untinted (as the Monitors menu does).\n"
           "  --tint <NAME>             Tint this output again.\n"
           "With no instance running, --status and --watch end with status 3; the other\n"
           "commands start the tool and apply themselves once it has loaded.\n";
}

}  // namespace control
