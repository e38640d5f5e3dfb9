#include "platform/linux/XdgAutostart.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>
#include <utility>

#include "MenuEntry.h"
#include "settings/SettingsDirectory.h"

namespace {

// The line that tells an entry this program wrote from one it must leave alone.
constexpr char kMark[] = "X-Dimwarden-Autostart=true";
// The menu entry's commands, which the autostart entry points at the running program.
constexpr char kExec[] = "Exec=dimwarden";

// One argument of an Exec key: quoted where the desktop entry rules reserve a character, then
// escaped as the key's string value and with field codes' '%' doubled.
std::string execArgument(const std::string& arg) {
    const bool plain = arg.find_first_of(" \t\n\"'\\><~|&;$*?#()`") == std::string::npos;
    std::string quoted = plain ? arg : "\"";
    if (!plain) {
        for (char c : arg) {
            if (c == '"' || c == '`' || c == '$' || c == '\\') {
                quoted += '\\';
            }
            quoted += c;
        }
        quoted += '"';
    }
    std::string value;
    for (char c : quoted) {
        if (c == '\\') {
            value += "\\\\";
        } else if (c == '%') {
            value += "%%";
        } else {
            value += c;
        }
    }
    return value;
}

std::optional<std::string> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool hasLine(const std::string& text, const std::string& line) {
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) {
        if (!l.empty() && l.back() == '\r') {
            l.pop_back();
        }
        if (l == line) {
            return true;
        }
    }
    return false;
}

}  // namespace

XdgAutostart::XdgAutostart(SettingsDirectory& config, std::string command)
    : config_(config), command_(std::move(command)) {}

std::string XdgAutostart::path() {
    const std::string dir = config_.directory();
    return dir.empty() ? std::string() : dir + "/autostart/" + kMenuEntryName;
}

std::string XdgAutostart::entryFor(const std::string& command) {
    std::istringstream in(kMenuEntry);
    std::string entry;
    for (std::string line; std::getline(in, line);) {
        if (line.rfind(kExec, 0) == 0) {
            line = "Exec=" + execArgument(command) + line.substr(std::strlen(kExec));
        }
        entry += line + '\n';
        if (line == "[Desktop Entry]") {
            entry += std::string(kMark) + '\n';
        }
    }
    return entry;
}

bool XdgAutostart::enabled() {
    const std::string file = path();
    const auto text = file.empty() ? std::nullopt : readFile(file);
    // A hidden entry is one the user turned off (the autostart rules' way to mask one).
    return text && !hasLine(*text, "Hidden=true");
}

std::string XdgAutostart::set(bool on) {
    const std::string file = path();
    if (file.empty()) {
        return on ? "no home folder, so no autostart entry can be kept" : "";
    }
    struct stat st {};
    const bool exists = ::lstat(file.c_str(), &st) == 0;
    const auto text = exists ? readFile(file) : std::nullopt;
    if (exists && !(text && hasLine(*text, kMark))) {
        // Someone else's entry: it may be the user's own copy with options of their own.
        if (on == enabled()) {
            return {};
        }
        return file + " was not written by Dimwarden and is left alone; " +
               (on ? "it keeps Dimwarden from starting at login" : "remove it by hand");
    }
    if (!on) {
        if (exists && ::unlink(file.c_str()) != 0) {
            return "cannot remove " + file + ": " + std::strerror(errno);
        }
        return {};
    }
    if (command_.find('\n') != std::string::npos) {
        return "the program's path holds a line break, which an autostart entry cannot";
    }
    const std::string dir = file.substr(0, file.rfind('/'));
    const std::string parent = dir.substr(0, dir.rfind('/'));
    ::mkdir(parent.c_str(), 0700);
    ::mkdir(dir.c_str(), 0700);
    // Written whole under another name, then put in place: a desktop reading the folder at that
    // moment never sees half an entry.
    const std::string part = file + ".part";
    {
        std::ofstream out(part, std::ios::binary | std::ios::trunc);
        out << entryFor(command_);
        out.close();
        if (!out) {
            ::unlink(part.c_str());
            return "cannot write " + file;
        }
    }
    if (::rename(part.c_str(), file.c_str()) != 0) {
        const int error = errno;
        ::unlink(part.c_str());
        return "cannot write " + file + ": " + std::strerror(error);
    }
    return {};
}
