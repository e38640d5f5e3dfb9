#pragma once

#include <string>

#include "gamma/BgrColor.h"

class ProfileFile;
class SettingsDirectory;

namespace settings {

// Red 0, green 128, blue 255.
constexpr BgrColor DefaultTintColor{0x00FF8000};

struct LoadedColor {
    bool found = false;
    BgrColor color = DefaultTintColor;
};

// The settings file's full path, built at each use from the directory.
std::string settingsFilePath(const std::string& winPath);

// Fills WinPath (where the colour will be written), then reads [Setting] color from the file the
// directory names for reading. A value that is present but is no plain colour
// (negative, top byte set, beyond 32 bits) counts as found with the default colour.
LoadedColor LoadColorSetting(ProfileFile& profile, SettingsDirectory& dir, std::string& WinPath);

// Writes the colour as plain decimal text; true when it was kept. Callers may ignore a failure.
bool SaveColorSetting(ProfileFile& profile, const std::string& WinPath, BgrColor color);

}  // namespace settings
