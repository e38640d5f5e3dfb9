#pragma once

#include <functional>
#include <string>

#include "gamma/DisplayGamma.h"

// Every display device attached to the desktop, each on its own ramp through GDI. A device's
// context is created for one operation and deleted before the call returns; nothing is held.
//
// Windows refuses ramps far from the identity (dark brightness positions) unless the machine
// allows the full range, and says so only through the call's result. The first refusal is told
// once through DisplayGamma::onRefused.
class Win32DisplayGamma : public DisplayGamma {
  public:
    // Ids are a hash of the device name ("\\.\DISPLAY1"), so that a crash journal written by one
    // run names the same device in the next.
    std::vector<Output> outputs() override;
    bool read(OutputId id, GammaRamp& ramp) override;
    bool apply(OutputId id, const GammaRamp& ramp) override;
    std::string refusal() const override;
    // One journal per Windows user: the devices' names are the same in every session.
    std::string journalKey() const override { return "gdi"; }

    // The window calls this on WM_DISPLAYCHANGE: the devices are listed again and every lit one
    // is brought to the current ramp (through the engine's onOutputsChanged).
    void displayChanged();

    static OutputId idOf(const std::wstring& deviceName);

  private:
    // The device's GDI name for an id, from the last listing; empty when unknown.
    std::wstring deviceName(OutputId id);

    std::vector<std::pair<OutputId, std::wstring>> names_;
    bool anyTaken_ = false;
    bool refused_ = false;
    bool told_ = false;
};
