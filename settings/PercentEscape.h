#pragma once

#include <optional>
#include <string>
#include <string_view>

// Names that may hold any byte, kept where only some bytes may stand: the bytes `bare` accepts
// stand as they are, every other as %XX (upper-case hex). The settings file and the status line
// each say which bytes may stand bare.
namespace percent {

template <typename Bare>
std::string encode(std::string_view name, Bare bare) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char ch : name) {
        const auto c = static_cast<unsigned char>(ch);
        if (bare(c)) {
            out += ch;
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0x0F];
        }
    }
    return out;
}

inline int hexValue(char c) {
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

// The other way round; nothing for an empty name, a bad %XX, or a byte standing bare that
// `bare` does not accept (no encoding gives those).
template <typename Bare>
std::optional<std::string> decode(std::string_view text, Bare bare) {
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
        } else if (bare(c)) {
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

}  // namespace percent
