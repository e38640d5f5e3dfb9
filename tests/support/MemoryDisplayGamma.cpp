#include "support/MemoryDisplayGamma.h"

#include "gamma/RampMath.h"

MemoryDisplayGamma::MemoryDisplayGamma(std::size_t gammaSize)
    : red(gammaSize), green(gammaSize), blue(gammaSize) {}

GammaRamp MemoryDisplayGamma::current() const {
    GammaRamp ramp;
    ramp::sampleTo256(red, ramp.channel(0));
    ramp::sampleTo256(green, ramp.channel(1));
    ramp::sampleTo256(blue, ramp.channel(2));
    return ramp;
}

void MemoryDisplayGamma::setTables(const GammaRamp& ramp) {
    ramp::spreadFrom256(ramp.channel(0), red);
    ramp::spreadFrom256(ramp.channel(1), green);
    ramp::spreadFrom256(ramp.channel(2), blue);
}

bool MemoryDisplayGamma::read(GammaRamp& ramp) {
    if (refuseRead || red.empty()) {
        return false;
    }
    ramp = current();
    return true;
}

bool MemoryDisplayGamma::apply(const GammaRamp& ramp) {
    if (refuseApply || red.empty()) {
        return false;
    }
    setTables(ramp);
    applied.push_back(ramp);
    return true;
}
