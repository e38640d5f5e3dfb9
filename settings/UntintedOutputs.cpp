#include "settings/UntintedOutputs.h"

#include <charconv>
#include <cstring>
#include <vector>

#include "settings/ColorSetting.h"
#include "settings/PercentEscape.h"
#include "settings/ProfileFile.h"

namespace settings {

namespace {

constexpr const char* kSection = "Untinted";
constexpr const char* kCount = "count";
// The system's profile reader cuts a value to 254 characters, and one of exactly 254 cannot be
// told from a cut one.
constexpr std::size_t kMaxValue = 253;

bool storedAsIs(unsigned char c) {
    return c > 0x20 && c < 0x7F && std::strchr("%\"';#=[]", c) == nullptr;
}

std::string nameKey(std::size_t n) {
    return "name" + std::to_string(n);
}

// The count exactly as written: decimal digits alone, within bounds.
std::optional<std::size_t> parseCount(const std::string& text) {
    std::size_t n = 0;
    const char* end = text.data() + text.size();
    const auto [at, error] = std::from_chars(text.data(), end, n);
    if (text.empty() || error != std::errc() || at != end || n > MaxUntintedOutputs) {
        return std::nullopt;
    }
    return n;
}

}  // namespace

std::string encodeOutputName(const std::string& name) {
    return percent::encode(name, storedAsIs);
}

std::optional<std::string> decodeOutputName(const std::string& text) {
    return percent::decode(text, storedAsIs);
}

OutputNames LoadUntintedOutputs(ProfileFile& profile, const std::string& WinPath) {
    if (WinPath.empty()) {
        return {};
    }
    const std::string path = settingsFilePath(WinPath);
    const auto count = parseCount(profile.read(path, kSection, kCount, ""));
    if (!count) {
        return {};
    }
    // The names in one read of the file, not one read each.
    std::vector<std::string> keys;
    for (std::size_t n = 1; n <= *count; ++n) {
        keys.push_back(nameKey(n));
    }
    OutputNames names;
    for (const std::string& text : profile.readKeys(path, kSection, keys, "")) {
        const auto name = decodeOutputName(text);
        if (!name) {
            return {};
        }
        names.insert(*name);
    }
    return names;
}

bool SaveUntintedOutputs(ProfileFile& profile, const std::string& WinPath,
                         const OutputNames& names) {
    if (WinPath.empty()) {
        return false;
    }
    const std::string path = settingsFilePath(WinPath);
    bool whole = true;
    std::vector<std::string> values;
    for (const std::string& name : names) {
        std::string value = encodeOutputName(name);
        if (name.empty() || value.size() > kMaxValue || values.size() == MaxUntintedOutputs) {
            whole = false;
            continue;
        }
        values.push_back(std::move(value));
    }
    // One rewrite: the count and the names are kept together or not at all. Names past the count
    // are never read; blanking them keeps a hand edit of the count honest.
    const auto before = parseCount(profile.read(path, kSection, kCount, ""));
    ProfileFile::Entries entries;
    for (std::size_t n = 1; n <= values.size(); ++n) {
        entries.emplace_back(nameKey(n), values[n - 1]);
    }
    entries.emplace_back(kCount, std::to_string(values.size()));
    for (std::size_t n = values.size() + 1; before && n <= *before; ++n) {
        entries.emplace_back(nameKey(n), "");
    }
    const bool kept = profile.writeSection(path, kSection, entries);
    return kept && whole;
}

}  // namespace settings
