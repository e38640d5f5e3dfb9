#pragma once

#include "settings/SettingsDirectory.h"

// The user's configuration directory: $XDG_CONFIG_HOME, else ~/.config, the home taken from $HOME
// or the password database. It may not exist yet on a fresh account; the profile file's write
// creates it. With no usable home at all it is "" (nothing is kept) and says so once on stderr.
class XdgSettingsDirectory : public SettingsDirectory {
  public:
    std::string directory() override;

  private:
    bool told_ = false;
};
