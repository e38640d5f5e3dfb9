#pragma once

#ifdef _WIN32

#include "platform/SettingsDirectory.h"

// The Windows directory, the whole path even when it is longer than the usual 80-character buffer.
class Win32SettingsDirectory : public SettingsDirectory {
  public:
    std::string directory() override;
};

#endif  // _WIN32
