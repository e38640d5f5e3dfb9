#include "settings/NumberParse.h"

#include <cstddef>

namespace settings {

namespace {
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
bool isBlank(char c) {
    return c == ' ' || c == '\t';
}
}  // namespace

std::optional<std::int32_t> parseLeadingNumber(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && isBlank(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }

    // The integer part, exactly; anything past 2^32 cannot become a colour, so stop counting there.
    constexpr std::int64_t kLimit = std::int64_t{1} << 32;
    std::int64_t magnitude = 0;
    bool overflow = false;
    while (i < text.size() && isDigit(text[i])) {
        magnitude = magnitude * 10 + (text[i] - '0');
        if (magnitude > kLimit) {
            overflow = true;
            magnitude = kLimit;
        }
        ++i;
    }

    // The fraction only decides the rounding: below, at or above one half.
    int firstFraction = -1;
    bool restNonZero = false;
    if (i < text.size() && text[i] == '.') {
        ++i;
        if (i < text.size() && isDigit(text[i])) {
            firstFraction = text[i] - '0';
            ++i;
        }
        while (i < text.size() && isDigit(text[i])) {
            restNonZero = restNonZero || text[i] != '0';
            ++i;
        }
    }
    if (overflow) {
        return std::nullopt;
    }
    const bool roundUp = firstFraction > 5 || (firstFraction == 5 && restNonZero) ||
                         (firstFraction == 5 && !restNonZero && magnitude % 2 == 1);
    if (roundUp) {
        ++magnitude;
    }
    const std::int64_t value = negative ? -magnitude : magnitude;
    if (value < INT32_MIN || value > INT32_MAX) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(value);
}

}  // namespace settings
