#pragma once

#include "settings/SettingsDirectory.h"

// The Windows directory, the whole path even when it is longer than the usual 80-character buffer.
class Win32SettingsDirectory : public SettingsDirectory {
  public:
    std::string directory() override;
};
