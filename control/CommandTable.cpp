#include "control/CommandTable.h"

#include <algorithm>
#include <array>
#include <set>

#include "control/StatusNames.h"
#include "control/Temperature.h"
#include "pause/PauseRules.h"
#include "schedule/Scheduler.h"
#include "settings/UntintedOutputs.h"

namespace control {
namespace {

std::string none(const Command&) {
    return {};
}

std::string digitsOnly(std::string_view text, std::size_t most, int& value) {
    if (text.empty() || text.size() > most) {
        return "no";
    }
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return "no";
        }
        value = value * 10 + (c - '0');
    }
    return {};
}

std::string readColor(std::string_view value, Command& command) {
    const auto color = parseColor(value);
    if (!color) {
        return "'" + std::string(value) + "' is not a colour: give #RRGGBB or RRGGBB.";
    }
    command.color = *color;
    return {};
}

std::string readTemperature(std::string_view value, Command& command) {
    int kelvin = 0;
    if (!digitsOnly(value, 5, kelvin).empty() || kelvin < kMinKelvin || kelvin > kMaxKelvin) {
        return "'" + std::string(value) +
               "' is not a colour temperature: give the kelvin, from 1000 to 10000.";
    }
    command.kelvin = kelvin;
    return {};
}

std::string readBrightness(std::string_view value, Command& command) {
    const auto brightness = parseBrightness(value);
    if (!brightness) {
        return "'" + std::string(value) +
               "' is not a brightness: give N, +N or -N with N from 0 to 40.";
    }
    command.brightness = brightness->value;
    command.relative = brightness->relative;
    return {};
}

std::string readSchedule(std::string_view value, Command& command) {
    const schedule::Parsed parsed = schedule::parse(value);
    if (!parsed.schedule) {
        return "'" + std::string(value) + "' is not a schedule: " + parsed.error + ".";
    }
    command.schedule = *parsed.schedule;
    return {};
}

std::string readFade(std::string_view value, Command& command) {
    const auto fade = parseFade(value);
    if (!fade) {
        return "'" + std::string(value) + "' is not a fade: give the seconds, from 0 to 3600.";
    }
    command.fade = *fade;
    return {};
}

// Any name at all: the output may be one that is plugged in later. What the settings file
// cannot keep is refused here rather than forgotten at the next start.
std::string outputNameLimit(std::string_view name) {
    if (settings::encodeOutputName(std::string(name)).size() > kMaxOutputNameBytes) {
        return "an output name is at most 253 bytes as the settings file keeps it (each byte "
               "outside printable ASCII counts three).";
    }
    return {};
}

std::string readOutput(std::string_view value, Command& command) {
    if (value.empty()) {
        return std::string(rowOf(command.action).option) + " needs an output name.";
    }
    if (std::string limit = outputNameLimit(value); !limit.empty()) {
        return limit;
    }
    command.output = std::string(value);
    return {};
}

std::string untintOne(const Command& command, Controller& controller) {
    const State now = controller.state();
    const bool known =
        std::find(now.untinted.begin(), now.untinted.end(), command.output) != now.untinted.end();
    if (!known && now.untinted.size() >= kMaxUntinted) {
        return "at most 256 outputs are left untinted: tint one of them first.";
    }
    controller.setOutputTinted(command.output, false);
    return {};
}

std::string readOnOff(std::string_view value, Command& command) {
    if (value != "on" && value != "off") {
        return "'" + std::string(value) + "' is neither on nor off.";
    }
    command.on = value == "on";
    return {};
}

// What the settings file cannot keep is refused here rather than cut at the next start.
std::string appsLimit(const std::vector<std::string>& apps) {
    std::size_t stored = 0;
    for (const std::string& name : apps) {
        stored += settings::encodeOutputName(name).size() + 1;
    }
    if (stored > kMaxOutputNameBytes + 1) {
        return "the application names are at most 253 bytes as the settings file keeps them (each "
               "byte outside printable ASCII counts three).";
    }
    return {};
}

std::string readApps(std::string_view value, Command& command) {
    command.apps = pausing::parseApps(value);
    return appsLimit(command.apps);
}

constexpr std::array<CommandRow, 16> kCommands{{
    {Action::Night, "--night", "", "Switch night mode on.", 0, true, "", nullptr, none,
     [](const Command&, Controller& c) {
         c.setNight(true);
         return std::string();
     }},
    {Action::Normal, "--normal", "", "Switch to normal mode.", 0, true, "", nullptr, none,
     [](const Command&, Controller& c) {
         c.setNight(false);
         return std::string();
     }},
    {Action::Toggle, "--toggle", "", "Switch between night and normal mode.", 0, true, "", nullptr,
     none,
     [](const Command&, Controller& c) {
         c.toggle();
         return std::string();
     }},
    {Action::Color, "--color", "<#RRGGBB>", "Tint with this colour, as a swatch pick does.",
     kMaxTextBytes, true, "", readColor, [](const Command& c) { return formatColor(c.color); },
     [](const Command& command, Controller& c) {
         c.setColor(command.color);
         return std::string();
     }},
    {Action::Temperature, "--temperature", "<KELVIN>",
     "Tint with the white of a black body at this temperature\n"
     "(1000 to 10000, to the nearest 100), as --color does.",
     kMaxTextBytes, true, "1900 2700 3400 4200 5000 6500", readTemperature,
     [](const Command& c) { return std::to_string(c.kelvin); },
     [](const Command& command, Controller& c) {
         c.setColor(temperatureColor(command.kelvin));
         return std::string();
     }},
    {Action::Brightness, "--brightness", "<N|+N|-N>",
     "Move the brightness slider to N, or by N (0 to 40).", kMaxTextBytes, true, "", readBrightness,
     [](const Command& c) {
         const int n = c.brightness < 0 ? -c.brightness : c.brightness;
         return (c.relative ? (c.brightness < 0 ? "-" : "+") : "") + std::to_string(n);
     },
     // A step is taken from where the slider stands in the instance, so steps sent at once
     // all count.
     [](const Command& command, Controller& c) {
         c.setBrightness(targetBrightness(command, c.state().brightness));
         return std::string();
     }},
    {Action::Schedule, "--schedule", "<WHEN>",
     "Night by the clock (HH:MM-HH:MM, local time), from dusk\n"
     "to dawn at a place (sun:LATITUDE,LONGITUDE), or off.",
     kMaxTextBytes, true, "off 22:00-07:00 sun:", readSchedule,
     [](const Command& c) { return schedule::format(c.schedule); },
     [](const Command& command, Controller& c) {
         c.setSchedule(command.schedule);
         return std::string();
     }},
    {Action::Fade, "--fade", "<SECONDS>", "How long a scheduled change takes (0 to 3600).",
     kMaxTextBytes, true, "0 60 600 3600", readFade,
     [](const Command& c) { return std::to_string(c.fade); },
     [](const Command& command, Controller& c) {
         c.setFadeSeconds(command.fade);
         return std::string();
     }},
    {Action::Status, "--status", "[--json]",
     "Print the state: night|normal #RRGGBB brightness, then\n"
     "schedule=WHEN fade=SECONDS [automatic=off] when one is\n"
     "set, untinted=NAME,... when outputs are left untinted.",
     0, false, "", nullptr, none, [](const Command&, Controller&) { return std::string(); }},
    {Action::Watch, "--watch", "[--json]", "Print the state again on every change.", 0, false, "",
     nullptr, none, [](const Command&, Controller&) { return std::string(); }},
    {Action::Untint, "--untint", "<NAME>",
     "Leave this output untinted (as the Monitors menu does).", kMaxOutputNameBytes, true, "",
     readOutput, [](const Command& c) { return c.output; }, untintOne},
    {Action::Tint, "--tint", "<NAME>", "Tint this output again.", kMaxOutputNameBytes, true, "",
     readOutput, [](const Command& c) { return c.output; },
     [](const Command& command, Controller& c) {
         c.setOutputTinted(command.output, true);
         return std::string();
     }},
    {Action::Quit, "--quit", "", "End the running instance as the tray menu's Exit does.", 0, false,
     "", nullptr, none,
     [](const Command&, Controller& c) {
         c.requestQuit();
         return std::string();
     }},
    {Action::Autostart, "--autostart", "<on|off>",
     "Start at login, or no longer (as the tray menu's Start at\nlogin does).", kMaxTextBytes, true,
     "on off", readOnOff, [](const Command& c) { return std::string(c.on ? "on" : "off"); },
     [](const Command& command, Controller& c) { return c.setAutostart(command.on); }},
    {Action::PauseFullscreen, "--pause-fullscreen", "<on|off>",
     "Show a monitor untinted while the active window fills it.", kMaxTextBytes, true, "on off",
     readOnOff, [](const Command& c) { return std::string(c.on ? "on" : "off"); },
     [](const Command& command, Controller& c) {
         c.setPauseFullscreen(command.on);
         return std::string();
     }},
    {Action::PauseApps, "--pause-apps", "<NAME,...>",
     "Show untinted the monitors these applications' active\n"
     "window is on (WM_CLASS, app_id or program file; '' none).",
     kMaxOutputNameBytes, true, "", readApps,
     [](const Command& c) { return pausing::joinApps(c.apps); },
     [](const Command& command, Controller& c) {
         c.setPauseApps(command.apps);
         return std::string();
     }},
}};

std::string limitOfText(const FieldValue& value) {
    return std::get<std::string>(value).size() > kMaxTextBytes ? "a text value is at most 64 bytes."
                                                               : std::string();
}

constexpr std::array<FieldRow, 12> kFields{{
    {"Night", "night", FieldType::Bool, true,
     [](State& s, const ControlTarget& t) { s.night = t.night(); },
     [](const State& s) { return FieldValue(s.night); },
     [](State& s, const FieldValue& v) {
         s.night = std::get<bool>(v);
         return true;
     },
     [](const State& s) { return std::string(s.night ? "night" : "normal"); },
     [](Controller& c, const FieldValue& v) {
         c.setNight(std::get<bool>(v));
         return std::string();
     },
     "Night is a boolean (b)."},
    {"Color", "color", FieldType::Text, true,
     [](State& s, const ControlTarget& t) { s.color = t.color(); },
     [](const State& s) { return FieldValue(formatColor(s.color)); },
     [](State& s, const FieldValue& v) {
         const auto color = parseColor(std::get<std::string>(v));
         s.color = color.value_or(BgrColor());
         return color.has_value();
     },
     [](const State& s) { return formatColor(s.color); },
     [](Controller& c, const FieldValue& v) {
         const auto color = parseColor(std::get<std::string>(v));
         if (!color) {
             return std::string("Color is a string (s) of the form #RRGGBB.");
         }
         c.setColor(*color);
         return std::string();
     },
     "Color is a string (s) of the form #RRGGBB."},
    {"Brightness", "brightness", FieldType::Int, true,
     [](State& s, const ControlTarget& t) { s.brightness = t.brightness(); },
     [](const State& s) { return FieldValue(s.brightness); },
     [](State& s, const FieldValue& v) {
         s.brightness = std::get<int>(v);
         return s.brightness >= kMinBrightness && s.brightness <= kMaxBrightness;
     },
     [](const State& s) { return std::to_string(s.brightness); },
     [](Controller& c, const FieldValue& v) {
         const int n = std::get<int>(v);
         if (n < kMinBrightness || n > kMaxBrightness) {
             return std::string("Brightness is an integer (i) from 0 to 40.");
         }
         c.setBrightness(n);
         return std::string();
     },
     "Brightness is an integer (i) from 0 to 40."},
    {"Schedule", "schedule", FieldType::Text, false,
     [](State& s, const ControlTarget& t) { s.schedule = schedule::format(t.schedule()); },
     [](const State& s) { return FieldValue(s.schedule); },
     // Read back into the schedule's own form: what is printed is never another program's text.
     [](State& s, const FieldValue& v) {
         const schedule::Parsed parsed = schedule::parse(std::get<std::string>(v));
         if (parsed.schedule) {
             s.schedule = schedule::format(*parsed.schedule);
         }
         return parsed.schedule.has_value();
     },
     [](const State& s) { return s.schedule == "off" ? std::string() : "schedule=" + s.schedule; },
     [](Controller& c, const FieldValue& v) {
         if (std::string limit = limitOfText(v); !limit.empty()) {
             return limit;
         }
         const std::string& text = std::get<std::string>(v);
         const schedule::Parsed parsed = schedule::parse(text);
         if (!parsed.schedule) {
             return "'" + text + "' is not a schedule: " + parsed.error + ".";
         }
         c.setSchedule(*parsed.schedule);
         return std::string();
     },
     "Schedule is a string (s): HH:MM-HH:MM, sun:LATITUDE,LONGITUDE or off."},
    {"Fade", "fade", FieldType::Int, false,
     [](State& s, const ControlTarget& t) { s.fade = t.fadeSeconds(); },
     [](const State& s) { return FieldValue(s.fade); },
     [](State& s, const FieldValue& v) {
         s.fade = std::get<int>(v);
         return s.fade >= 0 && s.fade <= Scheduler::kMaxFadeSeconds;
     },
     [](const State& s) {
         return s.schedule == "off" ? std::string() : "fade=" + std::to_string(s.fade);
     },
     [](Controller& c, const FieldValue& v) {
         const int n = std::get<int>(v);
         if (n < 0 || n > Scheduler::kMaxFadeSeconds) {
             return std::string("Fade is an integer (i) of seconds from 0 to 3600.");
         }
         c.setFadeSeconds(n);
         return std::string();
     },
     "Fade is an integer (i) of seconds from 0 to 3600."},
    {"Automatic", "automatic", FieldType::Bool, false,
     [](State& s, const ControlTarget& t) { s.automatic = t.automatic(); },
     [](const State& s) { return FieldValue(s.automatic); },
     [](State& s, const FieldValue& v) {
         s.automatic = std::get<bool>(v);
         return true;
     },
     [](const State& s) {
         return s.schedule != "off" && !s.automatic ? std::string("automatic=off") : std::string();
     },
     nullptr, "Automatic is the tray menu's to change."},
    {"Untinted", "untinted", FieldType::TextList, false,
     [](State& s, const ControlTarget& t) {
         const std::set<std::string> names = t.untinted();
         s.untinted.assign(names.begin(), names.end());
     },
     [](const State& s) { return FieldValue(s.untinted); },
     [](State& s, const FieldValue& v) {
         s.untinted = std::get<std::vector<std::string>>(v);
         return true;
     },
     [](const State& s) {
         return s.untinted.empty() ? std::string() : "untinted=" + joinStatusNames(s.untinted);
     },
     [](Controller& c, const FieldValue& v) {
         const auto& list = std::get<std::vector<std::string>>(v);
         if (list.size() > kMaxUntinted) {
             return std::string("Untinted holds at most 256 names.");
         }
         for (const std::string& name : list) {
             if (std::string limit = outputNameLimit(name); !limit.empty()) {
                 return limit;
             }
         }
         c.setUntinted(std::set<std::string>(list.begin(), list.end()));
         return std::string();
     },
     "Untinted is an array of strings (as)."},
    {"Autostart", "autostart", FieldType::Bool, false,
     [](State& s, const ControlTarget& t) { s.autostart = t.autostart(); },
     [](const State& s) { return FieldValue(s.autostart); },
     [](State& s, const FieldValue& v) {
         s.autostart = std::get<bool>(v);
         return true;
     },
     [](const State& s) { return s.autostart ? std::string("autostart=on") : std::string(); },
     [](Controller& c, const FieldValue& v) { return c.setAutostart(std::get<bool>(v)); },
     "Autostart is a boolean (b)."},
    {"PauseFullscreen", "pause_fullscreen", FieldType::Bool, false,
     [](State& s, const ControlTarget& t) { s.pauseFullscreen = t.pauseFullscreen(); },
     [](const State& s) { return FieldValue(s.pauseFullscreen); },
     [](State& s, const FieldValue& v) {
         s.pauseFullscreen = std::get<bool>(v);
         return true;
     },
     [](const State&) { return std::string(); },
     [](Controller& c, const FieldValue& v) {
         c.setPauseFullscreen(std::get<bool>(v));
         return std::string();
     },
     "PauseFullscreen is a boolean (b)."},
    {"PauseApps", "pause_apps", FieldType::TextList, false,
     [](State& s, const ControlTarget& t) { s.pauseApps = t.pauseApps(); },
     [](const State& s) { return FieldValue(s.pauseApps); },
     [](State& s, const FieldValue& v) {
         s.pauseApps = std::get<std::vector<std::string>>(v);
         return true;
     },
     [](const State&) { return std::string(); },
     [](Controller& c, const FieldValue& v) {
         const auto apps =
             pausing::parseApps(pausing::joinApps(std::get<std::vector<std::string>>(v)));
         if (std::string limit = appsLimit(apps); !limit.empty()) {
             return limit;
         }
         c.setPauseApps(apps);
         return std::string();
     },
     "PauseApps is an array of strings (as)."},
    {"Paused", "paused", FieldType::TextList, false,
     [](State& s, const ControlTarget& t) {
         const std::set<std::string> paused = t.paused();
         s.paused.assign(paused.begin(), paused.end());
     },
     [](const State& s) { return FieldValue(s.paused); },
     [](State& s, const FieldValue& v) {
         s.paused = std::get<std::vector<std::string>>(v);
         return true;
     },
     [](const State& s) {
         return s.paused.empty() ? std::string() : "paused=" + joinStatusNames(s.paused);
     },
     nullptr, "Paused follows the active window."},
    {"PauseUnavailable", "pause_unavailable", FieldType::Text, false,
     [](State& s, const ControlTarget& t) { s.pauseUnavailable = t.pauseUnavailable(); },
     [](const State& s) { return FieldValue(s.pauseUnavailable); },
     [](State& s, const FieldValue& v) {
         s.pauseUnavailable = std::get<std::string>(v);
         return true;
     },
     [](const State& s) {
         const bool chosen = s.pauseFullscreen || !s.pauseApps.empty();
         return chosen && !s.pauseUnavailable.empty() ? std::string("pause=unavailable")
                                                      : std::string();
     },
     nullptr, "PauseUnavailable says why the pause choices cannot act here."},
}};

}  // namespace

std::span<const CommandRow> commandRows() {
    return kCommands;
}

const CommandRow& rowOf(Action action) {
    return *std::find_if(kCommands.begin(), kCommands.end(),
                         [action](const CommandRow& r) { return r.action == action; });
}

std::span<const FieldRow> fieldRows() {
    return kFields;
}

const FieldRow* fieldNamed(std::string_view name) {
    const auto it = std::find_if(kFields.begin(), kFields.end(),
                                 [name](const FieldRow& f) { return f.name == name; });
    return it == kFields.end() ? nullptr : &*it;
}

std::string_view busType(FieldType type) {
    switch (type) {
        case FieldType::Bool:
            return "b";
        case FieldType::Int:
            return "i";
        case FieldType::Text:
            return "s";
        case FieldType::TextList:
            return "as";
    }
    return "";
}

std::string usageText() {
    std::string text =
        "Usage: dimwarden [options]\n"
        "Dims or tints the whole screen by rewriting the display's gamma ramp.\n"
        "\n"
        "Options:\n"
        "  -h, --help     Show this help and exit.\n"
        "  -v, --version  Show the version and exit.\n"
        "\n"
        "Commands for the instance running on this display (one at a time):\n";
    for (const CommandRow& row : kCommands) {
        std::string head = "  " + std::string(row.option);
        if (!row.argument.empty()) {
            head += " " + std::string(row.argument);
        }
        head.resize(std::max<std::size_t>(head.size() + 1, 28), ' ');
        std::string_view help = row.help;
        for (std::size_t line = 0; !help.empty(); ++line) {
            const std::size_t end = std::min(help.find('\n'), help.size());
            text +=
                (line == 0 ? head : std::string(28, ' ')) + std::string(help.substr(0, end)) + "\n";
            help.remove_prefix(std::min(end + 1, help.size()));
        }
    }
    return text +
           "With no instance running, --status, --watch and --quit end with status 3; the\n"
           "other commands start the tool and apply themselves once it has loaded.\n";
}

namespace {

std::string allOptions() {
    std::string words = "--help --version --json";
    for (const CommandRow& row : kCommands) {
        words += " " + std::string(row.option);
    }
    return words;
}

}  // namespace

std::string bashCompletion() {
    std::string script =
        "# bash completion for dimwarden, made from its command table\n"
        "_dimwarden() {\n"
        "    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}\n"
        "    case $prev in\n";
    for (const CommandRow& row : kCommands) {
        if (row.read != nullptr) {
            script += "        " + std::string(row.option) +
                      ")\n            COMPREPLY=($(compgen -W \"" + std::string(row.words) +
                      "\" -- \"$cur\"))\n            return ;;\n";
        }
    }
    return script + "    esac\n    COMPREPLY=($(compgen -W \"" + allOptions() +
           "\" -- \"$cur\"))\n}\ncomplete -F _dimwarden dimwarden\n";
}

std::string zshCompletion() {
    std::string script =
        "#compdef dimwarden\n# zsh completion for dimwarden, made from its command table\n"
        "_arguments \\\n"
        "    '(- *)'{-h,--help}'[show the help]' \\\n"
        "    '(- *)'{-v,--version}'[show the version]' \\\n"
        "    '--json[one JSON object a line]' \\\n";
    for (const CommandRow& row : kCommands) {
        std::string help(row.help.substr(0, row.help.find('\n')));
        std::replace(help.begin(), help.end(), '\'', ' ');
        std::erase(help, '[');
        std::erase(help, ']');
        script += "    '" + std::string(row.option) + "[" + help + "]";
        if (row.read != nullptr) {
            script += ":" + std::string(row.argument.substr(1, row.argument.size() - 2)) + ":";
            script += row.words.empty() ? " " : "(" + std::string(row.words) + ")";
        }
        script += "' \\\n";
    }
    return script + "\n";
}

std::string fishCompletion() {
    std::string script =
        "# fish completion for dimwarden, made from its command table\n"
        "complete -c dimwarden -s h -l help -d 'Show the help'\n"
        "complete -c dimwarden -s v -l version -d 'Show the version'\n"
        "complete -c dimwarden -l json -d 'One JSON object a line'\n";
    for (const CommandRow& row : kCommands) {
        std::string help(row.help.substr(0, row.help.find('\n')));
        std::replace(help.begin(), help.end(), '\'', ' ');
        script += "complete -c dimwarden -l " + std::string(row.option.substr(2));
        if (row.read != nullptr) {
            script += " -r";
            if (!row.words.empty()) {
                script += " -f -a '" + std::string(row.words) + "'";
            }
        }
        script += " -d '" + help + "'\n";
    }
    return script;
}

}  // namespace control
