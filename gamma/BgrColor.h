#pragma once

#include <cstdint>

// A colour as the tool keeps and stores it: 0x00BBGGRR, red in the low byte. The top byte is
// always zero, so a value taken from anywhere can never push a slider past its range.
class BgrColor {
  public:
    constexpr BgrColor() = default;
    constexpr explicit BgrColor(std::uint32_t bgr) : value_(bgr & 0x00FFFFFFu) {}
    static constexpr BgrColor fromRgb(int red, int green, int blue) {
        return BgrColor(static_cast<std::uint32_t>(red & 0xFF) |
                        static_cast<std::uint32_t>(green & 0xFF) << 8 |
                        static_cast<std::uint32_t>(blue & 0xFF) << 16);
    }

    constexpr std::uint32_t value() const { return value_; }
    constexpr int red() const { return static_cast<int>(value_ & 0xFF); }
    constexpr int green() const { return static_cast<int>((value_ >> 8) & 0xFF); }
    constexpr int blue() const { return static_cast<int>((value_ >> 16) & 0xFF); }

    friend constexpr bool operator==(BgrColor, BgrColor) = default;

  private:
    std::uint32_t value_ = 0;
};
