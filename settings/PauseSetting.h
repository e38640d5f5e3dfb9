#pragma once

#include <string>

#include "pause/PauseRules.h"

class ProfileFile;

namespace settings {

// The pause choices' own section of the settings file, beside [Setting]:
//   [Pause]
//   fullscreen=1              (1 on, 0 off)
//   apps=mpv,Visual%20Code    (application names, each escaped as an output name is)
// A value that cannot be read falls back on its default (off, no names), quietly.
pausing::Choices LoadPauseSetting(ProfileFile& profile, const std::string& WinPath);
// True when both values were kept. Names too long for a profile value are left out (false).
bool SavePauseSetting(ProfileFile& profile, const std::string& WinPath,
                      const pausing::Choices& choices);

}  // namespace settings
