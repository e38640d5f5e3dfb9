#include "gamma/TintMapping.h"

#include "gamma/RampMath.h"

namespace tint {

Components split(BgrColor colr) {
    return {colr.red(), colr.green(), colr.blue()};
}

int positionOf(int component) {
    return static_cast<int>(ramp::rne(component / 256.0 * kMaxPosition));
}

Positions positionsOf(BgrColor colr) {
    const Components c = split(colr);
    return {positionOf(c.red), positionOf(c.green), positionOf(c.blue)};
}

int previewComponent(int position) {
    return static_cast<int>(ramp::rne((position / static_cast<double>(kMaxPosition)) * 255.0));
}

BgrColor previewColor(int red, int green, int blue) {
    return BgrColor::fromRgb(previewComponent(red), previewComponent(green),
                             previewComponent(blue));
}

}  // namespace tint
