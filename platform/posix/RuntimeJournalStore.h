#pragma once

#include <string>

#include "gamma/GammaJournal.h"

// Journals as files in $XDG_RUNTIME_DIR (a tmpfs that the session owns and empties at logout),
// one per display: dimwarden-gamma-<display>.journal. Written to a temporary file and renamed
// over the old one, so a crash mid-write leaves the old journal or the new, never half of one.
// Without $XDG_RUNTIME_DIR no journal is kept.
class RuntimeJournalStore : public JournalStore {
  public:
    // An empty directory means $XDG_RUNTIME_DIR.
    explicit RuntimeJournalStore(std::string directory = {});

    std::optional<std::string> load(const std::string& key) override;
    void save(const std::string& key, const std::string& bytes) override;
    void remove(const std::string& key) override;

    std::string path(const std::string& key) const;

  private:
    std::string directory_;
};
