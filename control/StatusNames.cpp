#include "control/StatusNames.h"

#include <algorithm>

#include "settings/PercentEscape.h"

namespace control {
namespace {

bool escaped(unsigned char c) {
    return c < 0x20 || c == 0x7F || c == ' ' || c == ',' || c == '%' || c == '=';
}

// The length of the sound UTF-8 sequence at the start of `s`, or 0.
std::size_t utf8Length(std::string_view s) {
    const auto byte = [&s](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char lead = byte(0);
    std::size_t n = 0;
    unsigned min = 0;
    unsigned cp = 0;
    if (lead < 0x80) {
        return 1;
    } else if ((lead & 0xE0) == 0xC0) {
        n = 2, min = 0x80, cp = lead & 0x1Fu;
    } else if ((lead & 0xF0) == 0xE0) {
        n = 3, min = 0x800, cp = lead & 0x0Fu;
    } else if ((lead & 0xF8) == 0xF0) {
        n = 4, min = 0x10000, cp = lead & 0x07u;
    } else {
        return 0;
    }
    if (s.size() < n) {
        return 0;
    }
    for (std::size_t i = 1; i < n; ++i) {
        if ((byte(i) & 0xC0) != 0x80) {
            return 0;
        }
        cp = (cp << 6) | (byte(i) & 0x3Fu);
    }
    // Overlong forms, surrogates and code points past U+10FFFF are no UTF-8.
    if (cp < min || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) {
        return 0;
    }
    return n;
}

}  // namespace

std::string escapeStatusName(std::string_view name) {
    return percent::encode(name, [](unsigned char c) { return !escaped(c); });
}

std::string joinStatusNames(const std::vector<std::string>& names) {
    std::string out;
    for (const std::string& name : names) {
        out += (out.empty() ? "" : ",") + escapeStatusName(name);
    }
    return out;
}

std::optional<std::vector<std::string>> splitStatusNames(std::string_view text) {
    std::vector<std::string> names;
    if (text.empty()) {
        return names;
    }
    // A comma within a name is always escaped: every bare one ends a name.
    std::size_t from = 0;
    while (from <= text.size()) {
        const std::size_t comma = std::min(text.find(',', from), text.size());
        auto name = percent::decode(text.substr(from, comma - from),
                                    [](unsigned char c) { return !escaped(c); });
        if (!name) {
            return std::nullopt;
        }
        names.push_back(std::move(*name));
        from = comma + 1;
    }
    return names;
}

std::string jsonString(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out = "\"";
    while (!text.empty()) {
        const std::size_t n = utf8Length(text);
        const auto b = static_cast<unsigned char>(text.front());
        if (n == 0) {
            out += "\\uFFFD";
            text.remove_prefix(1);
            continue;
        }
        if (b == '"' || b == '\\') {
            out += '\\';
            out += static_cast<char>(b);
        } else if (b < 0x20 || b == 0x7F) {
            out += "\\u00";
            out += kHex[b >> 4];
            out += kHex[b & 0xF];
        } else {
            out.append(text.substr(0, n));
        }
        text.remove_prefix(n);
    }
    return out + "\"";
}

}  // namespace control
