#pragma once

#include "gamma/BgrColor.h"

namespace control {

// The white point of a black body at `kelvin` (kMinKelvin..kMaxKelvin, rounded to the nearest
// 100 K).
BgrColor temperatureColor(int kelvin);

}  // namespace control
