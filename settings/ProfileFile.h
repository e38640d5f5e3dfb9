#pragma once

#include <string>
#include <utility>
#include <vector>

// Private-profile (INI) files: read one key's value, write one key's value or several keys of one
// section at once. Failures are quiet: a read that cannot be done gives the default, a write that
// cannot be done reports false and leaves the old file as it was.
class ProfileFile {
  public:
    virtual ~ProfileFile() = default;

    virtual std::string read(const std::string& path, const std::string& section,
                             const std::string& key, const std::string& fallback) = 0;
    virtual bool write(const std::string& path, const std::string& section, const std::string& key,
                       const std::string& value) = 0;
    // Sets each key of `entries` in `section` in one rewrite of the file: afterwards it holds
    // every new value, or (the write failed) none of them. Other keys stay as they were.
    using Entries = std::vector<std::pair<std::string, std::string>>;
    virtual bool writeSection(const std::string& path, const std::string& section,
                              const Entries& entries) = 0;
    // Several keys of one section, each as read() would give it, in one read of the file where
    // the backend can: a section of many keys then loads in a time that grows with the file's
    // size only.
    virtual std::vector<std::string> readKeys(const std::string& path, const std::string& section,
                                              const std::vector<std::string>& keys,
                                              const std::string& fallback) {
        std::vector<std::string> values;
        for (const std::string& key : keys) {
            values.push_back(read(path, section, key, fallback));
        }
        return values;
    }
};

namespace settings {
// What a section of the settings file keeps, as the subject of "... is not kept" ("the colour").
std::string sectionKeeps(const std::string& section);
}  // namespace settings
