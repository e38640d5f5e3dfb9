#pragma once

#include <cstddef>
#include <cstdint>
#include <list>
#include <string>
#include <vector>

#include "gamma/DisplayGamma.h"

// One output of a display held in memory: a hardware table of any size per channel, a record of
// every ramp applied, and switches that make reads or writes fail.
struct MemoryOutput {
    DisplayGamma::Output info;
    std::vector<std::uint16_t> red, green, blue;
    std::vector<GammaRamp> applied;  // every ramp accepted, in order
    bool refuseRead = false;
    bool refuseApply = false;
    int bits = 16;  // what the hardware keeps of each word; fewer round what is written

    void setTables(const GammaRamp& ramp);  // fill the hardware tables from a 256-entry ramp
    GammaRamp current() const;              // the hardware tables read back as a ramp
};

// A display held in memory, for tests. It starts with one lit output (id 1); the members below
// that name no output are that first output's, so single-screen tests read as before.
class MemoryDisplayGamma : public DisplayGamma {
  public:
    static constexpr OutputId kFirst = 1;

    explicit MemoryDisplayGamma(std::size_t gammaSize = 256);

    // Adds an output with the next free id (2, 3, ...), lit or not, its tables all zero.
    MemoryOutput& add(std::size_t gammaSize = 256, bool active = true);
    MemoryOutput& at(OutputId id);
    // Lights or darkens an output, or takes it away, and tells the engine as a backend would.
    void setActive(OutputId id, bool active);
    void remove(OutputId id);
    void announce() {
        if (onOutputsChanged) {
            onOutputsChanged();
        }
    }

    std::vector<Output> outputs() override;
    bool read(OutputId id, GammaRamp& ramp) override;
    bool apply(OutputId id, const GammaRamp& ramp) override;
    bool canRead() const override { return readable; }
    std::string refusal() const override { return refusalText; }
    std::string notice() override { return noticeText; }
    std::string journalKey() const override { return key; }

    // The first output.
    bool read(GammaRamp& ramp) { return read(kFirst, ramp); }
    bool apply(const GammaRamp& ramp) { return apply(kFirst, ramp); }
    void setTables(const GammaRamp& ramp) { at(kFirst).setTables(ramp); }
    GammaRamp current() const { return outputs_.front().current(); }

    bool readable = true;
    std::string refusalText;
    std::string noticeText;
    std::string key;  // empty: no journal

  private:
    MemoryOutput* find(OutputId id);
    std::list<MemoryOutput> outputs_;  // a list: references stay valid as outputs come and go

  public:
    std::vector<std::uint16_t>& red;
    std::vector<std::uint16_t>& green;
    std::vector<std::uint16_t>& blue;
    std::vector<GammaRamp>& applied;
    bool& refuseRead;
    bool& refuseApply;
};
