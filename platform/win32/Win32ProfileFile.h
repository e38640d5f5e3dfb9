#pragma once

#include "settings/ProfileFile.h"

// The system's own private-profile functions.
class Win32ProfileFile : public ProfileFile {
  public:
    std::string read(const std::string& path, const std::string& section, const std::string& key,
                     const std::string& fallback) override;
    bool write(const std::string& path, const std::string& section, const std::string& key,
               const std::string& value) override;
};
