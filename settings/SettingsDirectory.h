#pragma once

#include <string>

// Where the settings file lives: the Windows directory there, the user's configuration directory
// elsewhere. Returned without a trailing separator; "" when there is none, and then nothing is
// read or kept.
class SettingsDirectory {
  public:
    virtual ~SettingsDirectory() = default;
    virtual std::string directory() = 0;
};
