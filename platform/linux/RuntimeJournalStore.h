#pragma once

#include <string>

#include "gamma/GammaJournal.h"

// Journals as files in $XDG_RUNTIME_DIR (a tmpfs that the session owns and empties at logout),
// or where Qt keeps runtime files without it, one per display: dimwarden-gamma-<display>.journal.
// Written to a fresh temporary file and renamed over the old one, so a crash mid-write leaves the
// old journal or the new, never half of one. Only a folder of the user's own that no one else can
// write is used, and only a regular file of the user's is read; anything else is said once on
// stderr and passed over.
class RuntimeJournalStore : public JournalStore {
  public:
    // An empty directory means the runtime folder.
    explicit RuntimeJournalStore(std::string directory = {});

    std::optional<std::string> load(const std::string& key) override;
    void save(const std::string& key, const std::string& bytes) override;
    void remove(const std::string& key) override;

    std::string path(const std::string& key) const;

  private:
    bool folderIsPrivate();
    void warn(const std::string& what);

    std::string directory_;
    bool warned_ = false;
};
