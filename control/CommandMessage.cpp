#include "control/CommandMessage.h"

#include <algorithm>
#include <map>
#include <vector>

#include "control/CommandTable.h"
#include "control/StatusNames.h"

namespace control {
namespace {

// A field's value as the answer text carries it.
std::string textOf(const FieldValue& value) {
    if (const bool* b = std::get_if<bool>(&value)) {
        return *b ? "1" : "0";
    }
    if (const int* i = std::get_if<int>(&value)) {
        return std::to_string(*i);
    }
    if (const std::string* s = std::get_if<std::string>(&value)) {
        return *s;
    }
    // The names escaped as in the status line, which keeps each on the line.
    return joinStatusNames(std::get<std::vector<std::string>>(value));
}

// Values are built in place in their optional, which GCC 12 under the sanitizers otherwise takes
// for read before written.
std::optional<FieldValue> valueOf(FieldType type, std::string_view text) {
    switch (type) {
        case FieldType::Bool:
            if (text == "0" || text == "1") {
                return std::optional<FieldValue>(std::in_place, text == "1");
            }
            return std::nullopt;
        case FieldType::Int: {
            // Digits alone, few enough that the value stays far from overflow.
            if (text.empty() || text.size() > 6 ||
                text.find_first_not_of("0123456789") != std::string_view::npos) {
                return std::nullopt;
            }
            return std::optional<FieldValue>(std::in_place, std::stoi(std::string(text)));
        }
        case FieldType::Text:
            return std::optional<FieldValue>(std::in_place, std::string(text));
        case FieldType::TextList:
            if (auto names = splitStatusNames(text)) {
                return std::optional<FieldValue>(std::in_place, std::move(*names));
            }
            return std::nullopt;
    }
    return std::nullopt;
}

std::map<std::string_view, std::string_view> fieldsOf(std::string_view text) {
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
    return fields;
}

}  // namespace

std::string packCommand(const Command& command) {
    std::string bytes;
    for (const std::string& arg : commandArgs(command)) {
        bytes += arg;
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
    std::string text;
    for (const FieldRow& field : fieldRows()) {
        const FieldValue value = field.get(state);
        // A list only while it holds anything.
        if (const auto* list = std::get_if<std::vector<std::string>>(&value);
            list && list->empty()) {
            continue;
        }
        text += std::string(field.key) + "=" + textOf(value) + "\n";
    }
    return text;
}

std::optional<State> unpackState(std::string_view text) {
    const auto fields = fieldsOf(text);
    State state;
    for (const FieldRow& field : fieldRows()) {
        const auto it = fields.find(field.key);
        if (it == fields.end()) {
            if (field.required) {
                return std::nullopt;
            }
            continue;
        }
        const auto value = valueOf(field.type, it->second);
        if (!value || !field.set(state, *value)) {
            return std::nullopt;
        }
    }
    return state;
}

Answer answer(Controller& controller, const std::vector<std::string>& args) {
    // An option, its value and --json at most: more is no command, and is not read at all.
    if (args.size() > 3) {
        return {kBadUsage, {}, "a command is at most three arguments."};
    }
    const ParsedCommandLine parsed = takeCommand(args);
    if (!parsed.error.empty() || !parsed.command) {
        return {kBadUsage, {}, parsed.error.empty() ? "no command was given." : parsed.error};
    }
    if (!parsed.rest.empty()) {
        return {kBadUsage, {}, "unexpected argument '" + parsed.rest.front() + "'."};
    }
    if (std::string refused = controller.apply(*parsed.command); !refused.empty()) {
        return {kBadUsage, {}, std::move(refused)};
    }
    return {kDone, packState(controller.state()), {}};
}

std::string packAnswer(const Answer& answer) {
    std::string text = "status=" + std::to_string(answer.status) + "\n";
    if (!answer.message.empty()) {
        text += "message=" + answer.message + "\n";
    }
    return text + answer.state;
}

std::optional<Answer> unpackAnswer(std::string_view text) {
    const auto fields = fieldsOf(text);
    const auto status = fields.find("status");
    if (status == fields.end() || status->second.size() != 1 || status->second[0] < '0' ||
        status->second[0] > '3') {
        return std::nullopt;
    }
    Answer answer{status->second[0] - '0', {}, {}};
    if (const auto message = fields.find("message"); message != fields.end()) {
        answer.message = std::string(message->second);
    }
    if (answer.status == kDone) {
        if (!unpackState(text)) {
            return std::nullopt;
        }
        answer.state = std::string(text);
    }
    return answer;
}

}  // namespace control
