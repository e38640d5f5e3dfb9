#include "settings/PauseSetting.h"

#include <string_view>
#include <vector>

#include "settings/ColorSetting.h"
#include "settings/ProfileFile.h"
#include "settings/UntintedOutputs.h"

namespace settings {

namespace {

constexpr const char* kSection = "Pause";
constexpr const char* kFullscreen = "fullscreen";
constexpr const char* kApps = "apps";
// As for output names: the system's profile reader cuts a value to 254 characters.
constexpr std::size_t kMaxValue = 253;

}  // namespace

pausing::Choices LoadPauseSetting(ProfileFile& profile, const std::string& WinPath) {
    pausing::Choices choices;
    if (WinPath.empty()) {
        return choices;
    }
    const std::string path = settingsFilePath(WinPath);
    choices.fullscreen = profile.read(path, kSection, kFullscreen, "0") == "1";
    // Kept whole while `text` walks through it.
    const std::string stored = profile.read(path, kSection, kApps, "");
    std::string_view text = stored;
    std::string names;
    while (!text.empty()) {
        const std::size_t comma = text.find(',');
        const auto name = decodeOutputName(std::string(text.substr(0, comma)));
        if (!name) {
            return {choices.fullscreen, {}};
        }
        names += (names.empty() ? "" : ",") + *name;
        text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
    }
    choices.apps = pausing::parseApps(names);
    return choices;
}

bool SavePauseSetting(ProfileFile& profile, const std::string& WinPath,
                      const pausing::Choices& choices) {
    if (WinPath.empty()) {
        return false;
    }
    const std::string path = settingsFilePath(WinPath);
    bool whole = true;
    std::string apps;
    for (const std::string& name : choices.apps) {
        const std::string value = encodeOutputName(name);
        if (apps.size() + 1 + value.size() > kMaxValue) {
            whole = false;
            continue;
        }
        apps += (apps.empty() ? "" : ",") + value;
    }
    // Both keys in one rewrite: a crash never keeps one choice without the other.
    return profile.writeSection(path, kSection,
                                {{kFullscreen, choices.fullscreen ? "1" : "0"}, {kApps, apps}}) &&
           whole;
}

}  // namespace settings
