#pragma once

#include <string>

// Private-profile (INI) files: read one key's value, write one key's value. Failures are quiet:
// a read that cannot be done gives the default, a write that cannot be done reports false and
// leaves the old file as it was.
class ProfileFile {
  public:
    virtual ~ProfileFile() = default;

    virtual std::string read(const std::string& path, const std::string& section,
                             const std::string& key, const std::string& fallback) = 0;
    virtual bool write(const std::string& path, const std::string& section, const std::string& key,
                       const std::string& value) = 0;
};
