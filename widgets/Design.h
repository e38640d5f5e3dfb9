#pragma once

#include <cstdint>

// Colours and type sizes that both windows share. Colours are 0x00BBGGRR.
namespace design {

constexpr std::uint32_t kTopBar = 0x00F2F2F2;
constexpr std::uint32_t kAccent = 0x00D1A700;  // title text, the setting panel, the picker's marker
constexpr std::uint32_t kMainBackground = 0x00FCF9F3;
constexpr std::uint32_t kWhite = 0x00FFFFFF;

// Pixel heights of the design's point sizes at 96 dots per inch.
constexpr int k9pt = 12;
constexpr int k9_75pt = 13;
constexpr int k11_25pt = 15;
constexpr int k12pt = 16;
constexpr int k14_25pt = 19;
constexpr int k15_75pt = 21;
constexpr int k20_25pt = 27;

}  // namespace design
