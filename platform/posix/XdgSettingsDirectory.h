#pragma once

#include "settings/SettingsDirectory.h"

// The user's configuration directory: $XDG_CONFIG_HOME, else ~/.config. It may not exist yet on a
// fresh account; the profile file's write creates it.
class XdgSettingsDirectory : public SettingsDirectory {
  public:
    std::string directory() override;
};
