#pragma once

#include <map>
#include <optional>
#include <string>

#include "gamma/GammaJournal.h"

// Journals kept in memory, for tests: the files by display key, and how often one was saved.
class MemoryJournalStore : public JournalStore {
  public:
    std::map<std::string, std::string> files;
    int saves = 0;
    std::optional<std::string> load(const std::string& key) override {
        const auto it = files.find(key);
        return it == files.end() ? std::nullopt : std::optional<std::string>(it->second);
    }
    void save(const std::string& key, const std::string& bytes) override {
        ++saves;
        files[key] = bytes;
    }
    void remove(const std::string& key) override { files.erase(key); }
};
