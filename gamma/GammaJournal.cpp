#include "gamma/GammaJournal.h"

#include <cstddef>
#include <cstdint>

namespace journal {

namespace {

constexpr char kMagic1[] = "DWGAMMA1";
constexpr char kMagic2[] = "DWGAMMA2";
constexpr std::size_t kMagicSize = sizeof kMagic2 - 1;
// More outputs than any machine drives; a count above it means a damaged file.
constexpr std::uint32_t kMaxEntries = 256;
constexpr std::size_t kMaxKey = 4096;

void putInt(std::string& out, std::uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    }
}

void putRamp(std::string& out, const GammaRamp& r) {
    for (std::uint16_t w : r.words) {
        putInt(out, w, 2);
    }
}

std::uint64_t fnv1a(const char* data, std::size_t n) {
    std::uint64_t h = 14695981039346656037ull;
    for (std::size_t i = 0; i < n; ++i) {
        h ^= static_cast<unsigned char>(data[i]);
        h *= 1099511628211ull;
    }
    return h;
}

class Reader {
  public:
    Reader(const std::string& bytes, std::size_t end) : bytes_(bytes), end_(end) {}
    bool take(std::size_t n) {
        if (end_ - pos_ < n) {
            return false;
        }
        pos_ += n;
        return true;
    }
    bool getInt(std::uint64_t& v, int n) {
        const std::size_t at = pos_;
        if (!take(static_cast<std::size_t>(n))) {
            return false;
        }
        v = 0;
        for (int i = 0; i < n; ++i) {
            v |= std::uint64_t{static_cast<unsigned char>(bytes_[at + i])} << (8 * i);
        }
        return true;
    }
    bool getRamp(GammaRamp& r) {
        for (std::uint16_t& w : r.words) {
            std::uint64_t v = 0;
            if (!getInt(v, 2)) {
                return false;
            }
            w = static_cast<std::uint16_t>(v);
        }
        return true;
    }
    bool getString(std::string& s, std::size_t n) {
        const std::size_t at = pos_;
        if (!take(n)) {
            return false;
        }
        s.assign(bytes_, at, n);
        return true;
    }
    bool atEnd() const { return pos_ == end_; }

  private:
    const std::string& bytes_;
    std::size_t end_;
    std::size_t pos_ = 0;
};

}  // namespace

std::string encode(const std::string& key, const std::vector<Entry>& entries, int version) {
    std::string out(version == 1 ? kMagic1 : kMagic2, kMagicSize);
    putInt(out, key.size(), 4);
    out += key;
    putInt(out, entries.size(), 4);
    for (const Entry& e : entries) {
        putInt(out, e.id, 8);
        putRamp(out, e.base);
        putRamp(out, e.last);
        if (version != 1) {
            putRamp(out, e.shown);
            putInt(out, e.tints ? 1 : 0, 1);
        }
    }
    putInt(out, fnv1a(out.data(), out.size()), 8);
    return out;
}

std::optional<std::vector<Entry>> decode(const std::string& key, const std::string& bytes) {
    if (bytes.size() < kMagicSize + 16) {
        return std::nullopt;
    }
    const bool v1 = bytes.compare(0, kMagicSize, kMagic1) == 0;
    if (!v1 && bytes.compare(0, kMagicSize, kMagic2) != 0) {
        return std::nullopt;
    }
    const std::size_t body = bytes.size() - 8;
    Reader sum(bytes, bytes.size());
    std::uint64_t stored = 0;
    if (!sum.take(body) || !sum.getInt(stored, 8) || stored != fnv1a(bytes.data(), body)) {
        return std::nullopt;
    }
    Reader in(bytes, body);
    std::uint64_t keySize = 0;
    std::uint64_t count = 0;
    std::string storedKey;
    if (!in.take(kMagicSize) || !in.getInt(keySize, 4) || keySize > kMaxKey ||
        !in.getString(storedKey, keySize) || storedKey != key || !in.getInt(count, 4) ||
        count > kMaxEntries) {
        return std::nullopt;
    }
    std::vector<Entry> entries(count);
    for (Entry& e : entries) {
        if (!in.getInt(e.id, 8) || !in.getRamp(e.base) || !in.getRamp(e.last)) {
            return std::nullopt;
        }
        if (v1) {
            e.shown = e.last;
        } else if (std::uint64_t tints = 0;
                   !in.getRamp(e.shown) || !in.getInt(tints, 1) || tints > 1) {
            return std::nullopt;
        } else {
            e.tints = tints == 1;
        }
    }
    if (!in.atEnd()) {
        return std::nullopt;
    }
    return entries;
}

std::string fileName(const std::string& key) {
    std::string name = "dimwarden-gamma-";
    for (char ch : key) {
        const bool plain = (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') ||
                           (ch >= '0' && ch <= '9') || ch == '.' || ch == '-' || ch == '_';
        name.push_back(plain ? ch : '_');
    }
    return name + ".journal";
}

}  // namespace journal
