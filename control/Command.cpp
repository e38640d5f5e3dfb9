#include "control/Command.h"

#include <algorithm>

#include "control/CommandTable.h"
#include "schedule/Scheduler.h"

namespace control {
namespace {

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

std::optional<BgrColor> parseColor(std::string_view text) {
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
    return BgrColor::fromRgb(static_cast<int>(rgb >> 16), static_cast<int>(rgb >> 8),
                             static_cast<int>(rgb));
}

std::string formatColor(BgrColor color) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    const int bytes[] = {color.red(), color.green(), color.blue()};
    std::string text = "#";
    for (int b : bytes) {
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
    return rowOf(action).startsTool;
}

std::vector<std::string> commandArgs(const Command& command) {
    const CommandRow& row = rowOf(command.action);
    std::vector<std::string> args{std::string(row.option)};
    if (row.read != nullptr) {
        args.push_back(row.write(command));
    }
    return args;
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
        const auto rows = commandRows();
        const auto row = std::find_if(rows.begin(), rows.end(),
                                      [&](const CommandRow& r) { return r.option == name; });
        if (row == rows.end()) {
            parsed.rest.push_back(arg);
            continue;
        }
        if (parsed.command) {
            return fail("one command at a time (" + commandName + " and " + std::string(name) +
                        ").");
        }
        commandName = std::string(name);
        Command command;
        command.action = row->action;
        const bool inline_value = arg.size() > name.size();
        if (row->read == nullptr) {
            if (inline_value) {
                return fail(commandName + " takes no value.");
            }
        } else {
            if (!inline_value && i + 1 >= args.size()) {
                return fail(commandName + " needs a value.");
            }
            const std::string value = inline_value ? arg.substr(name.size() + 1) : args[++i];
            if (value.size() > row->maxBytes) {
                return fail(commandName + " takes at most " + std::to_string(row->maxBytes) +
                            " bytes.");
            }
            if (std::string error = row->read(value, command); !error.empty()) {
                return fail(std::move(error));
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

}  // namespace control
