#pragma once

#include "settings/ProfileFile.h"

// The system's own private-profile functions. Paths are UTF-8 (a user name need not fit the ANSI
// code page); sections, keys and values are ASCII.
class Win32ProfileFile : public ProfileFile {
  public:
    std::string read(const std::string& path, const std::string& section, const std::string& key,
                     const std::string& fallback) override;
    bool write(const std::string& path, const std::string& section, const std::string& key,
               const std::string& value) override;
    // The section read whole, the entries set in it, and written back whole in one call.
    bool writeSection(const std::string& path, const std::string& section,
                      const Entries& entries) override;
};
