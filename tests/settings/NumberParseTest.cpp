#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <string>

#include "settings/NumberParse.h"

using settings::parseLeadingNumber;

namespace {

struct ParseCase {
    std::string text;
    std::optional<std::int32_t> expected;
};

constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();

}  // namespace

TEST(NumberParse, LeadingNumberTable) {
    const ParseCase cases[] = {
        // Plain integers, signs and leading blanks.
        {"0", 0},
        {"255", 255},
        {"16744448", 16744448},
        {"-1", -1},
        {"+7", 7},
        {"  +7", 7},
        {"\t 12", 12},
        {"000042", 42},
        {"-0", 0},
        // Text that does not begin with a number.
        {"", 0},
        {"abc", 0},
        {"-", 0},
        {"+", 0},
        {"- 5", 0},
        {"+-5", 0},
        {".", 0},
        // The number ends at the first character that cannot continue it.
        {"255xyz", 255},
        {"1 2", 1},
        {"1e3", 1},
        {"0x10", 0},
        {"7.", 7},
        {"12,5", 12},
        {"3.5.5", 4},
        // Fractions round to the nearest integer, ties to the even neighbour.
        {"0.5", 0},
        {"1.5", 2},
        {"2.5", 2},
        {"3.5", 4},
        {"-2.5", -2},
        {"-3.5", -4},
        {"2.50000", 2},
        {"2.5000001", 3},
        {"2.4999999", 2},
        {"2.6", 3},
        {".5", 0},
        {".6", 1},
        {"-.6", -1},
        // The 32-bit limits, exactly.
        {"2147483647", kMax},
        {"-2147483648", kMin},
        {"2147483647.4", kMax},
        {"-2147483647.5", kMin},
        {"-2147483648.5", kMin},
        {"2147483648", std::nullopt},
        {"2147483647.5", std::nullopt},
        {"-2147483649", std::nullopt},
        {"-2147483648.6", std::nullopt},
        {"4294967296", std::nullopt},
        {"4294967297", std::nullopt},
        {"18446744073709551617", std::nullopt},
        {"99999999999999999999999999999999999999.0", std::nullopt},
        {"-99999999999999999999", std::nullopt},
        {"0000000000000000000000000000000000000001", 1},
    };
    for (const ParseCase& c : cases) {
        EXPECT_EQ(parseLeadingNumber(c.text), c.expected) << "text: \"" << c.text << '"';
    }
}

TEST(NumberParse, HugeFractionOrDigitRunsEndQuickly) {
    // Long runs must neither overflow nor change the result of the integer part.
    EXPECT_EQ(parseLeadingNumber("1." + std::string(100000, '9')), 2);
    EXPECT_EQ(parseLeadingNumber("0.5" + std::string(100000, '0')), 0);
    EXPECT_EQ(parseLeadingNumber("0.5" + std::string(100000, '0') + "1"), 1);
    EXPECT_EQ(parseLeadingNumber(std::string(100000, '9')), std::nullopt);
    EXPECT_EQ(parseLeadingNumber(std::string(100000, ' ') + "9"), 9);
}
