#include "settings/ScheduleSetting.h"

#include <charconv>
#include <string>
#include <vector>

#include "schedule/Scheduler.h"
#include "settings/ColorSetting.h"
#include "settings/ProfileFile.h"

namespace settings {

namespace {
constexpr const char* kSection = "Schedule";
constexpr const char* kSchedule = "schedule";
constexpr const char* kFade = "fade";
constexpr const char* kAutomatic = "automatic";
}  // namespace

ScheduleSetting LoadScheduleSetting(ProfileFile& profile, const std::string& WinPath) {
    ScheduleSetting result;
    if (WinPath.empty()) {
        return result;
    }
    // One read of the file for the three; a missing value reads as empty, which each takes as
    // its default below.
    const std::vector<std::string> values =
        profile.readKeys(settingsFilePath(WinPath), kSection, {kSchedule, kFade, kAutomatic}, "");
    if (const auto parsed = schedule::parse(values[0]); parsed.schedule) {
        result.schedule = *parsed.schedule;
    }
    const std::string& fade = values[1];
    int seconds = 0;
    const auto [end, error] = std::from_chars(fade.data(), fade.data() + fade.size(), seconds);
    if (error == std::errc() && end == fade.data() + fade.size() && seconds >= 0 &&
        seconds <= Scheduler::kMaxFadeSeconds) {
        result.fadeSeconds = seconds;
    }
    result.automatic = values[2] != "0";
    return result;
}

bool SaveScheduleSetting(ProfileFile& profile, const std::string& WinPath,
                         const ScheduleSetting& setting) {
    if (WinPath.empty()) {
        return false;
    }
    const std::string path = settingsFilePath(WinPath);
    // One rewrite: a schedule is never kept with another one's fade or switch.
    const bool kept = profile.writeSection(path, kSection,
                                           {{kSchedule, schedule::format(setting.schedule)},
                                            {kFade, std::to_string(setting.fadeSeconds)},
                                            {kAutomatic, setting.automatic ? "1" : "0"}});
    return kept;
}

}  // namespace settings
