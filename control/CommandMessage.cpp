#include "control/CommandMessage.h"

#include <vector>

namespace control {
namespace {

constexpr std::uint32_t kAnswered = 1u << 31;
constexpr std::uint32_t kNight = 1u << 30;
constexpr int kBrightnessShift = 24;

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
        case Action::Status:
            return "--status";
        case Action::Watch:
            return "--watch";
    }
    return "";
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

std::uint32_t packState(const State& state) {
    return kAnswered | (state.night ? kNight : 0u) |
           static_cast<std::uint32_t>(state.brightness) << kBrightnessShift |
           (state.color & 0x00FFFFFFu);
}

std::optional<State> unpackState(std::uint32_t packed) {
    const int brightness = static_cast<int>((packed >> kBrightnessShift) & 0x3Fu);
    if ((packed & kAnswered) == 0 || brightness > kMaxBrightness) {
        return std::nullopt;
    }
    return State{(packed & kNight) != 0, packed & 0x00FFFFFFu, brightness};
}

}  // namespace control
