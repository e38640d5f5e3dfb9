// Hardware tables of other sizes than 256, as a MemoryDisplayGamma of that size holds them.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "gamma/GammaRamp.h"
#include "gamma/RampMath.h"
#include "support/MemoryDisplayGamma.h"

namespace {

GammaRamp fullRange() {  // i * 257: 0 .. 65535
    GammaRamp r;
    for (std::size_t c = 0; c < 3; ++c) {
        for (std::size_t i = 0; i < 256; ++i) {
            r.at(c, i) = static_cast<std::uint16_t>(i * 257);
        }
    }
    return r;
}

// A calibration-like curve per channel: monotonic but far from linear.
GammaRamp curved() {
    GammaRamp r;
    const double exponents[3] = {2.2, 0.45, 1.0};
    for (std::size_t c = 0; c < 3; ++c) {
        for (std::size_t i = 0; i < 256; ++i) {
            const double x = static_cast<double>(i) / 255.0;
            r.at(c, i) = static_cast<std::uint16_t>(std::lround(std::pow(x, exponents[c]) * 60000));
        }
    }
    return r;
}

bool nonDecreasing(const std::vector<std::uint16_t>& table) {
    for (std::size_t j = 1; j < table.size(); ++j) {
        if (table[j] < table[j - 1]) {
            return false;
        }
    }
    return true;
}

int maxDifference(const GammaRamp& a, const GammaRamp& b) {
    int worst = 0;
    for (std::size_t k = 0; k < GammaRamp::kWords; ++k) {
        worst = std::max(worst, std::abs(int{a.words[k]} - int{b.words[k]}));
    }
    return worst;
}

class OtherGammaSizes : public ::testing::TestWithParam<std::size_t> {};

TEST_P(OtherGammaSizes, LinearRampsSurviveTheRoundTrip) {
    const std::size_t n = GetParam();
    for (const GammaRamp& ramp : {ramp::identity(), fullRange()}) {
        MemoryDisplayGamma display(n);
        ASSERT_TRUE(display.apply(ramp));
        ASSERT_EQ(display.red.size(), n);
        // The table is the same straight line, sampled at n points.
        const double top = ramp.at(0, 255);
        for (std::size_t j = 0; j < n; ++j) {
            const double expected = top * static_cast<double>(j) / static_cast<double>(n - 1);
            ASSERT_LE(std::abs(display.red[j] - expected), 0.5 + 1e-9) << "n " << n << ", j " << j;
        }
        GammaRamp back;
        ASSERT_TRUE(display.read(back));
        EXPECT_LE(maxDifference(back, ramp), 1) << "n " << n;
    }
}

TEST_P(OtherGammaSizes, EndpointsAreExact) {
    const std::size_t n = GetParam();
    const GammaRamp ramp = curved();
    MemoryDisplayGamma display(n);
    ASSERT_TRUE(display.apply(ramp));
    for (const auto* table : {&display.red, &display.green, &display.blue}) {
        EXPECT_EQ(table->front(), 0);
        EXPECT_EQ(table->back(), 60000);
    }
    GammaRamp back;
    ASSERT_TRUE(display.read(back));
    for (std::size_t c = 0; c < 3; ++c) {
        EXPECT_EQ(back.at(c, 0), ramp.at(c, 0)) << "channel " << c;
        EXPECT_EQ(back.at(c, 255), ramp.at(c, 255)) << "channel " << c;
    }
}

TEST_P(OtherGammaSizes, MonotonicRampsStayMonotonic) {
    const std::size_t n = GetParam();
    MemoryDisplayGamma display(n);
    ASSERT_TRUE(display.apply(curved()));
    EXPECT_TRUE(nonDecreasing(display.red));
    EXPECT_TRUE(nonDecreasing(display.green));
    EXPECT_TRUE(nonDecreasing(display.blue));

    GammaRamp back;
    ASSERT_TRUE(display.read(back));
    for (std::size_t c = 0; c < 3; ++c) {
        const auto ch = back.channel(c);
        EXPECT_TRUE(nonDecreasing(std::vector<std::uint16_t>(ch.begin(), ch.end())))
            << "channel " << c;
    }
    // Reading a finer table interpolates between two of its entries, which lie on the ramp's
    // segments either side of the level: the result stays between the neighbouring ramp entries.
    // A coarser table smooths the curve further and is only held to monotonicity.
    if (n > 256) {
        const GammaRamp original = curved();
        for (std::size_t c = 0; c < 3; ++c) {
            for (std::size_t i = 1; i < 255; ++i) {
                ASSERT_GE(back.at(c, i), original.at(c, i - 1)) << "channel " << c << ", " << i;
                ASSERT_LE(back.at(c, i), original.at(c, i + 1)) << "channel " << c << ", " << i;
            }
        }
    }
}

TEST_P(OtherGammaSizes, ReadingAHardwareTableInterpolatesBetweenItsEntries) {
    const std::size_t n = GetParam();
    MemoryDisplayGamma display(n);
    // A table that only the hardware could hold: a straight line 0..n-1 scaled by 16.
    for (std::size_t j = 0; j < n; ++j) {
        display.red[j] = display.green[j] = display.blue[j] = static_cast<std::uint16_t>(j * 16);
    }
    GammaRamp ramp;
    ASSERT_TRUE(display.read(ramp));
    for (std::size_t i = 0; i < 256; ++i) {
        const double expected = 16.0 * static_cast<double>(i * (n - 1)) / 255.0;
        ASSERT_LE(std::abs(ramp.at(1, i) - expected), 0.5 + 1e-9) << "n " << n << ", i " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, OtherGammaSizes, ::testing::Values(16, 1024, 4096),
                         [](const auto& info) { return std::to_string(info.param); });

TEST(GammaSize256, ApplyAndReadAreExactCopies) {
    GammaRamp ramp = curved();
    ramp.at(1, 7) = 65535;  // not monotonic: a copy must not care
    ramp.at(2, 200) = 1;
    MemoryDisplayGamma display(256);
    ASSERT_TRUE(display.apply(ramp));
    for (std::size_t i = 0; i < 256; ++i) {
        ASSERT_EQ(display.red[i], ramp.at(0, i));
        ASSERT_EQ(display.green[i], ramp.at(1, i));
        ASSERT_EQ(display.blue[i], ramp.at(2, i));
    }
    GammaRamp back;
    ASSERT_TRUE(display.read(back));
    EXPECT_EQ(back, ramp);
}

TEST(GammaSize0, ReadAndApplyFailAndChangeNothing) {
    MemoryDisplayGamma display(0);
    GammaRamp ramp = curved();
    EXPECT_FALSE(display.read(ramp));
    EXPECT_EQ(ramp, curved());
    EXPECT_FALSE(display.apply(ramp));
    EXPECT_TRUE(display.applied.empty());
}

}  // namespace
