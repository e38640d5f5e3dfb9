#pragma once

#include <optional>
#include <string>
#include <vector>

#include "gamma/DisplayGamma.h"
#include "gamma/GammaRamp.h"

// What a running instance has done to a display's tables, kept where a later instance finds it
// after a crash: per output the ramp it had before the tool first wrote to it, and the ramp the
// tool wrote last, with what the display gave back for it (displays round). A table that still
// holds the last ramp is the tool's tint, not the display's. It is written before the ramps it
// describes, so while a write is on its way an output has two entries, the ramp it holds and the
// ramp being written: a table holding either is the tool's.
namespace journal {

struct Entry {
    DisplayGamma::OutputId id = 0;
    GammaRamp base;
    GammaRamp last;
    // What the table read back after `last` was written; for a ramp still on its way, `last` as a
    // table of the output's size keeps it.
    GammaRamp shown;
    // Every ramp the tool wrote there was `base` with channel offsets (a tint, or the base
    // itself): a table holding any such ramp is the tool's, so a run of them needs no new save.
    bool tints = false;
    friend bool operator==(const Entry&, const Entry&) = default;
};

// Binary, little-endian: "DWGAMMA2", the display key (u32 length + bytes), the entry count (u32),
// each entry as id (u64) + base + last + shown (768 u16 words each) + tints (u8, 0 or 1), then an
// FNV-1a 64 checksum of all preceding bytes. Version 1 ("DWGAMMA1", earlier releases) has no
// `shown` and no `tints`; `version` 1 writes it, for the tests that read what an earlier release
// left.
std::string encode(const std::string& key, const std::vector<Entry>& entries, int version = 2);
// Nothing when the bytes are damaged, truncated, of another format or of another display. A
// version 1 entry reads with `shown` equal to `last` and `tints` false.
std::optional<std::vector<Entry>> decode(const std::string& key, const std::string& bytes);

// The journal's file name for `key` (a display's name): "dimwarden-gamma-<key>.journal", with
// every byte that is unsafe in a file name as '_'. The key inside the file tells apart two
// displays that map to one name.
std::string fileName(const std::string& key);

}  // namespace journal

// Where journals are kept, one per display key. Every call is best effort: a journal that cannot
// be written only means a crash would be recovered less well.
class JournalStore {
  public:
    virtual ~JournalStore() = default;
    virtual std::optional<std::string> load(const std::string& key) = 0;
    virtual void save(const std::string& key, const std::string& bytes) = 0;
    virtual void remove(const std::string& key) = 0;
};
