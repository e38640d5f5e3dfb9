#include "settings/UntintedOutputs.h"

#include <charconv>
#include <cstring>
#include <vector>

#include "settings/ColorSetting.h"
#include "settings/ProfileFile.h"

namespace settings {

namespace {

constexpr const char* kSection = "Untinted";
constexpr const char* kCount = "count";
// The system's profile reader cuts a value to 254 characters, and one of exactly 254 cannot be
// told from a cut one.
constexpr std::size_t kMaxValue = 253;
constexpr char kHex[] = "0123456789ABCDEF";

bool storedAsIs(unsigned char c) {
    return c > 0x20 && c < 0x7F && std::strchr("%\"';#=[]", c) == nullptr;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
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
    std::string out;
    for (const char ch : name) {
        const auto c = static_cast<unsigned char>(ch);
        if (storedAsIs(c)) {
            out += ch;
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0x0F];
        }
    }
    return out;
}

std::optional<std::string> decodeOutputName(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '%') {
            const int high = i + 2 < text.size() ? hexValue(text[i + 1]) : -1;
            const int low = high >= 0 ? hexValue(text[i + 2]) : -1;
            if (low < 0) {
                return std::nullopt;
            }
            out += static_cast<char>(high * 16 + low);
            i += 2;
        } else if (storedAsIs(c)) {
            out += text[i];
        } else {
            return std::nullopt;
        }
    }
    if (out.empty()) {
        return std::nullopt;
    }
    return out;
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
    OutputNames names;
    for (std::size_t n = 1; n <= *count; ++n) {
        const auto name = decodeOutputName(profile.read(path, kSection, nameKey(n), ""));
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
    // Names first, the count last: a write cut short leaves the old count over sound names.
    const auto before = parseCount(profile.read(path, kSection, kCount, ""));
    for (std::size_t n = 1; n <= values.size(); ++n) {
        whole = profile.write(path, kSection, nameKey(n), values[n - 1]) && whole;
    }
    const bool kept = profile.write(path, kSection, kCount, std::to_string(values.size()));
    // Names past the count are never read; blanking them keeps a hand edit of the count honest.
    for (std::size_t n = values.size() + 1; before && n <= *before; ++n) {
        profile.write(path, kSection, nameKey(n), "");
    }
    return kept && whole;
}

}  // namespace settings
