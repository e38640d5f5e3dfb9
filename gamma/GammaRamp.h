#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

// The display's lookup table: red, then green, then blue, 256 words each, in the exact
// memory layout that the platform ramp calls read and write (768 words, 1,536 bytes).
struct GammaRamp {
    static constexpr std::size_t kLevels = 256;
    static constexpr std::size_t kChannels = 3;
    static constexpr std::size_t kWords = kLevels * kChannels;

    std::array<std::uint16_t, kWords> words{};

    std::uint16_t& at(std::size_t channel, std::size_t level) {
        return words[channel * kLevels + level];
    }
    std::uint16_t at(std::size_t channel, std::size_t level) const {
        return words[channel * kLevels + level];
    }
    std::span<std::uint16_t, kLevels> channel(std::size_t c) {
        return std::span<std::uint16_t, kLevels>(words.data() + c * kLevels, kLevels);
    }
    std::span<const std::uint16_t, kLevels> channel(std::size_t c) const {
        return std::span<const std::uint16_t, kLevels>(words.data() + c * kLevels, kLevels);
    }

    friend bool operator==(const GammaRamp&, const GammaRamp&) = default;
};

static_assert(sizeof(GammaRamp) == 1536, "GammaRamp must be the platform's 1,536-byte block");
