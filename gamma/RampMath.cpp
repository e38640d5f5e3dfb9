#include "gamma/RampMath.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace ramp {

double rne(double x) {
    const double lo = std::floor(x);
    const double diff = x - lo;
    if (diff < 0.5) {
        return lo;
    }
    if (diff > 0.5) {
        return lo + 1.0;
    }
    return std::fmod(lo, 2.0) == 0.0 ? lo : lo + 1.0;
}

std::int16_t clampOffset(int offset) {
    return static_cast<std::int16_t>(std::clamp(offset, -40, 40));
}

int halve(int offset) {
    return static_cast<int>(rne(clampOffset(offset) / 2.0));
}

namespace {
// rne(n / 40) for n >= 0 in integers: exactly what dividing in double precision and rounding
// gives (a quotient of forty ties only at a remainder of 20), without the cost of the rounding.
std::uint16_t roundedFortieth(std::int32_t n) {
    const std::int32_t q = n / 40;
    const std::int32_t r = n % 40;
    return static_cast<std::uint16_t>(q + ((r > 20 || (r == 20 && (q & 1))) ? 1 : 0));
}
}  // namespace

std::uint16_t adjustEntry(std::uint16_t u, int h) {
    if (h < 0) {
        return roundedFortieth((40 - std::abs(h)) * static_cast<std::int32_t>(u));
    }
    if (h > 0) {
        // 65535 - p / 40 is (65535 * 40 - p) / 40 exactly.
        return roundedFortieth(65535 * 40 - (40 - h) * (65535 - static_cast<std::int32_t>(u)));
    }
    return u;
}

void buildAdjusted(const GammaRamp& saved, int red, int green, int blue, GammaRamp& out) {
    const int h[3] = {halve(red), halve(green), halve(blue)};
    for (std::size_t c = 0; c < GammaRamp::kChannels; ++c) {
        const auto src = saved.channel(c);
        auto dst = out.channel(c);
        for (std::size_t i = 0; i < GammaRamp::kLevels; ++i) {
            dst[i] = adjustEntry(src[i], h[c]);
        }
    }
}

GammaRamp identity() {
    GammaRamp r;
    for (std::size_t c = 0; c < GammaRamp::kChannels; ++c) {
        for (std::size_t i = 0; i < GammaRamp::kLevels; ++i) {
            r.at(c, i) = static_cast<std::uint16_t>(i * 256);
        }
    }
    return r;
}

namespace {
// Linear interpolation of `table` at fractional index x (0 <= x <= size-1).
std::uint16_t interpolate(std::span<const std::uint16_t> table, double x) {
    const std::size_t i = static_cast<std::size_t>(x);
    if (i + 1 >= table.size()) {
        return table.back();
    }
    const double f = x - static_cast<double>(i);
    const double v = table[i] + (static_cast<double>(table[i + 1]) - table[i]) * f;
    return static_cast<std::uint16_t>(std::clamp(rne(v), 0.0, 65535.0));
}
}  // namespace

void sampleTo256(std::span<const std::uint16_t> table, std::span<std::uint16_t, 256> out) {
    if (table.size() == 256) {
        std::copy(table.begin(), table.end(), out.begin());
        return;
    }
    if (table.empty()) {
        return;
    }
    const double scale = table.size() > 1 ? static_cast<double>(table.size() - 1) / 255.0 : 0.0;
    for (std::size_t i = 0; i < 256; ++i) {
        out[i] = interpolate(table, static_cast<double>(i) * scale);
    }
}

void spreadFrom256(std::span<const std::uint16_t, 256> ramp, std::span<std::uint16_t> table) {
    if (table.size() == 256) {
        std::copy(ramp.begin(), ramp.end(), table.begin());
        return;
    }
    if (table.empty()) {
        return;
    }
    const double scale = table.size() > 1 ? 255.0 / static_cast<double>(table.size() - 1) : 0.0;
    for (std::size_t j = 0; j < table.size(); ++j) {
        table[j] = interpolate(ramp, static_cast<double>(j) * scale);
    }
}

bool usable(const GammaRamp& r) {
    for (std::size_t c = 0; c < GammaRamp::kChannels; ++c) {
        const auto ch = r.channel(c);
        for (std::size_t i = 1; i < GammaRamp::kLevels; ++i) {
            if (ch[i] < ch[i - 1]) {
                return false;
            }
        }
        // A flat channel (all black, all white) shows nothing of the picture.
        if (ch.back() == ch.front()) {
            return false;
        }
    }
    return true;
}

GammaRamp roundTrip(const GammaRamp& r, std::size_t size) {
    if (size == GammaRamp::kLevels || size == 0) {
        return r;
    }
    std::vector<std::uint16_t> table(size);
    GammaRamp back;
    for (std::size_t c = 0; c < GammaRamp::kChannels; ++c) {
        spreadFrom256(r.channel(c), table);
        sampleTo256(table, back.channel(c));
    }
    return back;
}

bool matchesWritten(const GammaRamp& table, const GammaRamp& written, std::size_t size) {
    const GammaRamp expected = roundTrip(written, size);
    for (std::size_t i = 0; i < GammaRamp::kWords; ++i) {
        // One more for the interpolation's own rounding in a table of another size.
        if (std::abs(int{table.words[i]} - int{expected.words[i]}) > kDisplayRounding + 1) {
            return false;
        }
    }
    return true;
}

bool tintOf(const GammaRamp& table, const GammaRamp& base, std::size_t size) {
    bool found[GammaRamp::kChannels] = {};
    for (int h = halve(-40); h <= halve(40); ++h) {
        GammaRamp tinted;
        for (std::size_t i = 0; i < GammaRamp::kWords; ++i) {
            tinted.words[i] = adjustEntry(base.words[i], h);
        }
        const GammaRamp expected = roundTrip(tinted, size);
        for (std::size_t c = 0; c < GammaRamp::kChannels; ++c) {
            const auto want = expected.channel(c);
            const auto got = table.channel(c);
            found[c] =
                found[c] || std::equal(want.begin(), want.end(), got.begin(), [](int a, int b) {
                    return std::abs(a - b) <= kDisplayRounding + 1;
                });
        }
    }
    return found[0] && found[1] && found[2];
}

}  // namespace ramp
