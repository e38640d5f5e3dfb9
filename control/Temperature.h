#pragma once

#include <cstdint>

namespace control {

// The white point of a black body at `kelvin` (kMinKelvin..kMaxKelvin, rounded to the nearest
// 100 K) as 0x00BBGGRR.
std::uint32_t temperatureColor(int kelvin);

}  // namespace control
