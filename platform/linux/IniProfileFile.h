#pragma once

#include <chrono>
#include <map>
#include <set>
#include <string>

#include "settings/ProfileFile.h"

// Private-profile files as plain text. Section and key names match case-insensitively, the first
// match wins, and a value is the text after the first '=' with blanks and one pair of matching
// quotes trimmed; a key without '=' has no value and reads as the fallback. A write changes that
// one line in place (or adds the section or key) and keeps every other line as it was; it goes to a
// temporary file beside the original, flushed to disk and renamed over it, so the file is never
// left half-written; several keys of one section go in one such rewrite. A file that cannot be read
// reads as the fallback. A write refused to keep other files or unreadable content safe says why on
// stderr, once per reason.
class IniProfileFile : public ProfileFile {
  public:
    std::string read(const std::string& path, const std::string& section, const std::string& key,
                     const std::string& fallback) override;
    std::vector<std::string> readKeys(const std::string& path, const std::string& section,
                                      const std::vector<std::string>& keys,
                                      const std::string& fallback) override;
    bool write(const std::string& path, const std::string& section, const std::string& key,
               const std::string& value) override;
    bool writeSection(const std::string& path, const std::string& section,
                      const Entries& entries) override;

  private:
    // Says on stderr, once per reason, that `what` is not kept and why.
    void refuse(const std::string& what, const std::string& why);

    std::set<std::string> told_;
    std::map<std::string, std::chrono::steady_clock::time_point> synced_;  // last flush per file
};
