#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <tuple>
#include <vector>

#include "gamma/GammaRamp.h"
#include "gamma/RampMath.h"

namespace {

// A ramp with different, irregular contents per channel, so that copies, channel mix-ups and
// per-entry arithmetic all show.
GammaRamp irregularRamp() {
    GammaRamp r;
    std::uint32_t state = 12345;
    for (std::uint16_t& w : r.words) {
        state = state * 1103515245u + 12345u;
        w = static_cast<std::uint16_t>(state >> 16);
    }
    r.words.front() = 0;
    r.words.back() = 65535;
    return r;
}

// rne(num / 40) in integers only: an oracle that shares nothing with the floating-point code.
std::int64_t divideBy40Even(std::int64_t num) {
    std::int64_t q = num / 40;
    std::int64_t r = num % 40;
    if (r < 0) {
        r += 40;
        --q;
    }
    if (2 * r > 40 || (2 * r == 40 && q % 2 != 0)) {
        ++q;
    }
    return q;
}

TEST(Rne, TiesGoToTheEvenNeighbour) {
    const std::vector<std::pair<double, double>> cases = {
        {0.5, 0.0},         {1.5, 2.0},         {2.5, 2.0},         {-0.5, 0.0},
        {-1.5, -2.0},       {-2.5, -2.0},       {2.49, 2.0},        {2.51, 3.0},
        {-2.51, -3.0},      {0.0, 0.0},         {7.0, 7.0},         {32767.5, 32768.0},
        {65407.5, 65408.0}, {65534.5, 65534.0}, {1e15 + 0.5, 1e15}, {-0.49, 0.0},
    };
    for (const auto& [x, expected] : cases) {
        EXPECT_EQ(ramp::rne(x), expected) << "x = " << x;
    }
}

TEST(Halve, HalvesWithTiesToEvenAndClampsOutsideTheContract) {
    const std::vector<std::pair<int, int>> cases = {
        {0, 0},         {-1, 0},       {-2, -1},      {-3, -2},    {-4, -2},   {-5, -2},
        {-6, -3},       {-7, -4},      {-38, -19},    {-39, -20},  {-40, -20}, {1, 0},
        {3, 2},         {40, 20},      {-41, -20},    {-100, -20}, {41, 20},   {1000, 20},
        {INT_MIN, -20}, {INT_MAX, 20}, {-32768, -20}, {32767, 20},
    };
    for (const auto& [offset, h] : cases) {
        EXPECT_EQ(ramp::halve(offset), h) << "offset " << offset;
    }
}

TEST(Halve, TheOffsetsMinus40To0GiveTwentyOneStrengths) {
    std::vector<int> strengths;
    for (int offset = -40; offset <= 0; ++offset) {
        const int h = ramp::halve(offset);
        if (strengths.empty() || strengths.back() != h) {
            strengths.push_back(h);
        }
    }
    ASSERT_EQ(strengths.size(), 21u);
    EXPECT_EQ(strengths.front(), -20);
    EXPECT_EQ(strengths.back(), 0);
}

TEST(AdjustEntry, DesignFigures) {
    // u, h, expected
    const std::vector<std::tuple<std::uint16_t, int, std::uint16_t>> cases = {
        {1, -20, 0},         {3, -20, 2},        {0, 20, 32768},      {65534, 20, 65534},
        {65280, 20, 65408},  {32768, -2, 31130}, {65535, -20, 32768}, {65535, 20, 65535},
        {0, -20, 0},         {0, 0, 0},          {65535, 0, 65535},   {12345, 0, 12345},
        {65280, -20, 32640}, {40, -1, 39},       {65535, 1, 65535},   {0, 1, 1638},
    };
    for (const auto& [u, h, expected] : cases) {
        EXPECT_EQ(ramp::adjustEntry(u, h), expected) << "u = " << u << ", h = " << h;
    }
}

TEST(AdjustEntry, MatchesAnIntegerOracleForEveryWordAndStrength) {
    for (int h = -20; h <= 20; ++h) {
        int mismatches = 0;
        for (std::int64_t u = 0; u <= 65535; ++u) {
            std::int64_t expected = u;
            if (h < 0) {
                expected = divideBy40Even((40 + h) * u);
            } else if (h > 0) {
                // 65535 - (40-h)(65535-u)/40 == (40*65535 - (40-h)(65535-u)) / 40
                expected = divideBy40Even(40 * 65535 - (40 - h) * (65535 - u));
            }
            const std::uint16_t got = ramp::adjustEntry(static_cast<std::uint16_t>(u), h);
            if (got != expected && ++mismatches <= 3) {
                ADD_FAILURE() << "u = " << u << ", h = " << h << ": " << got << " != " << expected;
            }
        }
        EXPECT_EQ(mismatches, 0) << "h = " << h;
    }
}

TEST(BuildAdjusted, IdentityAtFullDimmingIsHalved) {
    GammaRamp out;
    ramp::buildAdjusted(ramp::identity(), -40, -40, -40, out);
    for (std::size_t c = 0; c < 3; ++c) {
        for (std::size_t i = 0; i < 256; ++i) {
            ASSERT_EQ(out.at(c, i), i * 128) << "channel " << c << ", level " << i;
        }
    }
    EXPECT_EQ(out.at(2, 255), 32640);
}

TEST(BuildAdjusted, NeutralOffsetsCopyTheSavedRampBitForBit) {
    const GammaRamp saved = irregularRamp();
    for (int offset : {0, -1, 1}) {
        GammaRamp out = ramp::identity();  // stale content must not leak through
        ramp::buildAdjusted(saved, offset, offset, offset, out);
        EXPECT_EQ(out, saved) << "offset " << offset;
    }
}

TEST(BuildAdjusted, ChannelsAreIndependent) {
    GammaRamp out;
    ramp::buildAdjusted(ramp::identity(), -40, 0, 40, out);
    for (std::size_t i = 0; i < 256; ++i) {
        ASSERT_EQ(out.at(0, i), i * 128) << i;  // halfway to black
        ASSERT_EQ(out.at(1, i), i * 256) << i;  // untouched
        // Halfway to white: (65535 + 256 i) / 2 is always a tie and rounds up to the even side.
        ASSERT_EQ(out.at(2, i), 32768 + i * 128) << i;
    }
}

TEST(BuildAdjusted, OffsetsOutsideTheContractActAsTheNearestLimit) {
    const GammaRamp saved = irregularRamp();
    GammaRamp limit;
    ramp::buildAdjusted(saved, -40, 40, -40, limit);
    const std::vector<std::tuple<int, int, int>> outside = {
        {-41, 41, -41}, {-100, 1000, -32768}, {INT_MIN, INT_MAX, -65536}};
    for (const auto& [r, g, b] : outside) {
        GammaRamp out;
        ramp::buildAdjusted(saved, r, g, b, out);
        EXPECT_EQ(out, limit) << r << ", " << g << ", " << b;
    }
}

}  // namespace
