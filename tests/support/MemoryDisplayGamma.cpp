#include "support/MemoryDisplayGamma.h"

#include <algorithm>
#include <stdexcept>
#include <string>

#include "gamma/RampMath.h"

GammaRamp MemoryOutput::current() const {
    GammaRamp ramp;
    ramp::sampleTo256(red, ramp.channel(0));
    ramp::sampleTo256(green, ramp.channel(1));
    ramp::sampleTo256(blue, ramp.channel(2));
    return ramp;
}

void MemoryOutput::setTables(const GammaRamp& ramp) {
    for (std::size_t c = 0; c < 3; ++c) {
        auto& table = c == 0 ? red : c == 1 ? green : blue;
        ramp::spreadFrom256(ramp.channel(c), table);
        // The top `bits` bits kept, read back with them repeated down (8 bits: v>>8 times 257).
        for (std::uint16_t& w : table) {
            const unsigned kept = w >> (16 - bits);
            unsigned back = 0;
            for (int shift = 16 - bits; shift > -bits; shift -= bits) {
                back |= shift >= 0 ? kept << shift : kept >> -shift;
            }
            w = static_cast<std::uint16_t>(back);
        }
    }
}

namespace {
MemoryOutput makeOutput(DisplayGamma::OutputId id, std::size_t gammaSize, bool active) {
    MemoryOutput o;
    o.info = {id, "MEM" + std::to_string(id), static_cast<int>(gammaSize), active};
    o.red.resize(gammaSize);
    o.green.resize(gammaSize);
    o.blue.resize(gammaSize);
    return o;
}
}  // namespace

MemoryDisplayGamma::MemoryDisplayGamma(std::size_t gammaSize)
    : outputs_{makeOutput(kFirst, gammaSize, true)},
      red(outputs_.front().red),
      green(outputs_.front().green),
      blue(outputs_.front().blue),
      applied(outputs_.front().applied),
      refuseRead(outputs_.front().refuseRead),
      refuseApply(outputs_.front().refuseApply) {}

MemoryOutput& MemoryDisplayGamma::add(std::size_t gammaSize, bool active) {
    OutputId id = kFirst;
    for (const MemoryOutput& o : outputs_) {
        id = std::max(id, o.info.id + 1);
    }
    return outputs_.emplace_back(makeOutput(id, gammaSize, active));
}

MemoryOutput& MemoryDisplayGamma::at(OutputId id) {
    if (MemoryOutput* o = find(id)) {
        return *o;
    }
    throw std::out_of_range("no memory output " + std::to_string(id));
}

void MemoryDisplayGamma::setActive(OutputId id, bool active) {
    at(id).info.active = active;
    announce();
}

void MemoryDisplayGamma::remove(OutputId id) {
    if (id == kFirst) {
        throw std::invalid_argument("the first memory output stays");
    }
    outputs_.remove_if([id](const MemoryOutput& o) { return o.info.id == id; });
    announce();
}

std::vector<DisplayGamma::Output> MemoryDisplayGamma::outputs() {
    std::vector<Output> list;
    for (const MemoryOutput& o : outputs_) {
        // A table of size 0 cannot be addressed.
        if (!o.red.empty()) {
            list.push_back(o.info);
        }
    }
    return list;
}

MemoryOutput* MemoryDisplayGamma::find(OutputId id) {
    for (MemoryOutput& o : outputs_) {
        if (o.info.id == id) {
            return &o;
        }
    }
    return nullptr;
}

bool MemoryDisplayGamma::read(OutputId id, GammaRamp& ramp) {
    MemoryOutput* o = find(id);
    if (o == nullptr || !readable || o->refuseRead || o->red.empty()) {
        return false;
    }
    ramp = o->current();
    return true;
}

bool MemoryDisplayGamma::apply(OutputId id, const GammaRamp& ramp) {
    MemoryOutput* o = find(id);
    if (o == nullptr || o->refuseApply || o->red.empty()) {
        return false;
    }
    o->setTables(ramp);
    o->applied.push_back(ramp);
    return true;
}
