#pragma once

#include <string>

// Where the settings file lives: the Windows directory there, the user's configuration directory
// elsewhere. Returned without a trailing separator; "" when there is none, and then nothing is
// read or kept.
class SettingsDirectory {
  public:
    virtual ~SettingsDirectory() = default;
    virtual std::string directory() = 0;
    // Where the file is read from at start: directory(), unless the platform still honours a file
    // left at an older place and no file exists at the new one yet. Writes always go to
    // directory().
    virtual std::string directoryToRead() { return directory(); }
};
