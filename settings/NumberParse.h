#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace settings {

// The leading decimal number of `text`: blanks before it skipped, an optional sign, digits and an
// optional fraction; anything that cannot continue the number ends it. Rounded to an integer with
// ties to the even neighbour. Text that does not begin with a number gives 0. nullopt when the
// rounded number does not fit a 32-bit signed integer.
std::optional<std::int32_t> parseLeadingNumber(std::string_view text);

}  // namespace settings
