#pragma once

#include <string>

#include "settings/SettingsDirectory.h"

// %APPDATA%\Dimwarden, which the user can write (the Windows directory, where the file used to
// live, is closed to standard users since Vista, so the colour was never kept there). A file left
// in the Windows directory is still read while none exists in the new folder; it is never written.
// Paths are UTF-8.
class Win32SettingsDirectory : public SettingsDirectory {
  public:
    // Empty arguments mean the system's roaming application-data folder and Windows directory.
    explicit Win32SettingsDirectory(std::string appData = {}, std::string windowsDir = {});

    // Creates the folder when it is missing; "" when there is no application-data folder.
    std::string directory() override;
    std::string directoryToRead() override;

    // The Windows directory, the whole path even when it is longer than 80 characters.
    static std::string windowsDirectory();

  private:
    std::string appData_;
    std::string windowsDir_;
};
