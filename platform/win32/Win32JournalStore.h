#pragma once

#include <string>

#include "gamma/GammaJournal.h"

// Journals as files in %LOCALAPPDATA%\Dimwarden (local to the machine: the ramps belong to its
// displays, so they must not roam with the profile), one per display key:
// dimwarden-gamma-<key>.journal. Written to a temporary file and moved over the old one, so a
// program ended from the Task Manager mid-write leaves the old journal or the new, never half of
// one. Without a local application-data folder no journal is kept.
class Win32JournalStore : public JournalStore {
  public:
    // An empty directory means %LOCALAPPDATA%\Dimwarden. Paths are UTF-8.
    explicit Win32JournalStore(std::string directory = {});

    std::optional<std::string> load(const std::string& key) override;
    void save(const std::string& key, const std::string& bytes) override;
    void remove(const std::string& key) override;

    std::string path(const std::string& key) const;

  private:
    std::string directory_;
};
