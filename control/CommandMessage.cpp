#include "control/CommandMessage.h"

#include <algorithm>
#include <map>
#include <vector>

#include "control/StatusNames.h"

namespace control {
namespace {

const char* optionOf(Action action) {
    switch (action) {
        case Action::Night:
            return "--night";
        case Action::Normal:
            return "--normal";
        case Action::Toggle:
            return "--toggle";
        case Action::Color:
            return "--color";
        case Action::Brightness:
            return "--brightness";
        case Action::Schedule:
            return "--schedule";
        case Action::Fade:
            return "--fade";
        case Action::Status:
            return "--status";
        case Action::Watch:
            return "--watch";
        case Action::Tint:
            return "--tint";
        case Action::Untint:
            return "--untint";
    }
    return "";
}

// Only while an output is left untinted; the names escaped as in the status line, which keeps
// each on the line.
std::string untintedLine(const State& state) {
    return state.untinted.empty() ? "" : "untinted=" + joinStatusNames(state.untinted) + "\n";
}

}  // namespace

std::string packCommand(const Command& command) {
    std::string bytes = optionOf(command.action);
    bytes += '\0';
    if (command.action == Action::Color) {
        bytes += formatColor(command.color);
        bytes += '\0';
    } else if (command.action == Action::Brightness) {
        if (command.relative) {
            bytes += command.brightness < 0 ? '-' : '+';
        }
        bytes += std::to_string(command.brightness < 0 ? -command.brightness : command.brightness);
        bytes += '\0';
    } else if (command.action == Action::Schedule) {
        bytes += schedule::format(command.schedule);
        bytes += '\0';
    } else if (command.action == Action::Fade) {
        bytes += std::to_string(command.fade);
        bytes += '\0';
    } else if (command.action == Action::Tint || command.action == Action::Untint) {
        bytes += command.output;
        bytes += '\0';
    }
    return bytes;
}

std::optional<Command> unpackCommand(std::string_view bytes) {
    if (bytes.empty() || bytes.back() != '\0') {
        return std::nullopt;
    }
    std::vector<std::string> args;
    while (!bytes.empty()) {
        const std::size_t end = bytes.find('\0');
        args.emplace_back(bytes.substr(0, end));
        bytes.remove_prefix(end + 1);
    }
    const ParsedCommandLine parsed = takeCommand(args);
    if (!parsed.error.empty() || !parsed.rest.empty() || !parsed.command) {
        return std::nullopt;
    }
    return parsed.command;
}

std::string packState(const State& state) {
    return std::string("night=") + (state.night ? "1" : "0") +
           "\ncolor=" + formatColor(state.color) +
           "\nbrightness=" + std::to_string(state.brightness) + "\nschedule=" + state.schedule +
           "\nfade=" + std::to_string(state.fade) + "\nautomatic=" + (state.automatic ? "1" : "0") +
           "\n" + untintedLine(state);
}

std::optional<State> unpackState(std::string_view text) {
    std::map<std::string_view, std::string_view> fields;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        const std::size_t equals = line.find('=');
        if (equals != std::string_view::npos) {
            fields[line.substr(0, equals)] = line.substr(equals + 1);
        }
    }
    const auto field = [&fields](std::string_view key) -> std::optional<std::string_view> {
        const auto it = fields.find(key);
        return it == fields.end() ? std::nullopt : std::optional(it->second);
    };
    const auto flag = [](std::optional<std::string_view> value) -> std::optional<bool> {
        if (value == "0" || value == "1") {
            return value == "1";
        }
        return std::nullopt;
    };
    // The first three every instance sends; the others have their defaults when left out.
    State state;
    const auto night = flag(field("night"));
    const auto color = parseColor(field("color").value_or(""));
    const auto brightness = parseBrightness(field("brightness").value_or(""));
    if (!night || !color || !brightness || brightness->relative) {
        return std::nullopt;
    }
    state.night = *night;
    state.color = *color;
    state.brightness = brightness->value;
    if (const auto text = field("schedule")) {
        const auto parsed = schedule::parse(*text);
        if (!parsed.schedule) {
            return std::nullopt;
        }
        state.schedule = schedule::format(*parsed.schedule);
    }
    if (const auto text = field("fade")) {
        const auto fade = parseFade(*text);
        if (!fade) {
            return std::nullopt;
        }
        state.fade = *fade;
    }
    if (const auto text = field("automatic")) {
        const auto automatic = flag(text);
        if (!automatic) {
            return std::nullopt;
        }
        state.automatic = *automatic;
    }
    if (const auto untinted = field("untinted")) {
        auto names = splitStatusNames(*untinted);
        if (!names) {
            return std::nullopt;
        }
        state.untinted = std::move(*names);
    }
    return state;
}

}  // namespace control
