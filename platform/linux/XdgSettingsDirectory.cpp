#include "platform/linux/XdgSettingsDirectory.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <optional>

namespace {

bool isDirectory(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Only absolute paths count, as the XDG rules say; "/" becomes "" since the file name is joined
// with its own separator, and "" means "no folder".
std::optional<std::string> usable(const char* value) {
    if (value == nullptr || value[0] != '/') {
        return std::nullopt;
    }
    std::string dir = value;
    while (!dir.empty() && dir.back() == '/') {
        dir.pop_back();
    }
    return dir.empty() ? std::nullopt : std::optional<std::string>(dir);
}

// $HOME, else the password database's entry (HOME is unset under some service managers and
// sudo set-ups); only an existing folder other than "/" is a home to keep settings in.
std::optional<std::string> homeFolder() {
    std::optional<std::string> home = usable(std::getenv("HOME"));
    if (!home) {
        const struct passwd* entry = ::getpwuid(::geteuid());
        home = usable(entry != nullptr ? entry->pw_dir : nullptr);
    }
    return home && isDirectory(*home) ? home : std::nullopt;
}

}  // namespace

std::string XdgSettingsDirectory::directory() {
    if (const auto config = usable(std::getenv("XDG_CONFIG_HOME"))) {
        return *config;
    }
    if (const auto home = homeFolder()) {
        return *home + "/.config";
    }
    if (!told_) {
        told_ = true;
        std::fprintf(stderr, "dimwarden: no home folder, so the colour is not kept\n");
    }
    return {};
}
