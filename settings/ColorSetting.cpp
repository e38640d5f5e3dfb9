#include "settings/ColorSetting.h"

#include <filesystem>

#include "settings/NumberParse.h"
#include "settings/ProfileFile.h"
#include "settings/SettingsDirectory.h"

namespace settings {

namespace {
constexpr const char* kSection = "Setting";
constexpr const char* kKey = "color";
constexpr std::size_t kValueBuffer = 255;  // the value arrives cut to 254 characters
// The system's own separator: the Windows directory takes "\\Dimwarden.ini", a POSIX one "/...".
constexpr char kSeparator = static_cast<char>(std::filesystem::path::preferred_separator);
}  // namespace

std::string settingsFilePath(const std::string& winPath) {
    return winPath + kSeparator + "Dimwarden.ini";
}

LoadedColor LoadColorSetting(ProfileFile& profile, SettingsDirectory& dir, std::string& WinPath) {
    WinPath = dir.directory();
    const std::string from = dir.directoryToRead();

    // No folder: the path would land on the root of the file system.
    std::string value =
        from.empty() ? "" : profile.read(settingsFilePath(from), kSection, kKey, "");
    if (value.size() > kValueBuffer - 1) {
        value.resize(kValueBuffer - 1);
    }
    const auto parsed = parseLeadingNumber(value);

    LoadedColor result;
    if (value.empty()) {
        return result;
    }
    result.found = true;
    if (parsed && *parsed >= 0 && *parsed <= 0x00FFFFFF) {
        result.color = BgrColor(static_cast<std::uint32_t>(*parsed));
    }
    return result;
}

bool SaveColorSetting(ProfileFile& profile, const std::string& WinPath, BgrColor color) {
    return !WinPath.empty() &&
           profile.write(settingsFilePath(WinPath), kSection, kKey, std::to_string(color.value()));
}

}  // namespace settings
