#include "gamma/TintMapping.h"

#include "gamma/RampMath.h"

namespace tint {

Components split(std::int32_t colr) {
    const auto bits = static_cast<std::uint32_t>(colr);
    return {static_cast<int>(bits & 255u), static_cast<int>((bits >> 8) & 255u),
            static_cast<int>((bits >> 16) & 255u)};
}

int positionOf(int component) {
    return static_cast<int>(ramp::rne(component / 256.0 * kMaxPosition));
}

Positions positionsOf(std::int32_t colr) {
    const Components c = split(colr);
    return {positionOf(c.red), positionOf(c.green), positionOf(c.blue)};
}

int previewComponent(int position) {
    return static_cast<int>(ramp::rne((position / static_cast<double>(kMaxPosition)) * 255.0));
}

std::int32_t previewColor(int red, int green, int blue) {
    return previewComponent(red) + 256 * previewComponent(green) + 65536 * previewComponent(blue);
}

}  // namespace tint
