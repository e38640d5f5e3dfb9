#pragma once

#include <functional>
#include <memory>
#include <string>

#include "gamma/DisplayGamma.h"

// Every display device attached to the desktop, each on its own ramp through GDI. A device's
// context is created for one operation and deleted before the call returns; nothing is held.
//
// Windows refuses ramps far from the identity (dark brightness positions) unless the machine
// allows the full range, and says so through the call's result, or not at all: some drivers
// return TRUE and keep the old ramp. So every write is read back, and a ramp that comes back
// unlike the one written (beyond a device's rounding) counts as refused too. The first refusal
// is told once through DisplayGamma::onRefused.
class Win32DisplayGamma : public DisplayGamma {
  public:
    // The two GDI calls on one device, by its GDI name; tests put a device of their own here.
    class DeviceRamps {
      public:
        virtual ~DeviceRamps() = default;
        virtual bool get(const std::wstring& device, GammaRamp& ramp) = 0;
        virtual bool set(const std::wstring& device, const GammaRamp& ramp) = 0;
    };

    // Null: the devices' own ramps through GDI.
    explicit Win32DisplayGamma(DeviceRamps* devices = nullptr);

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
    // The events window calls this when Windows may have put the devices' own ramps back: the
    // engine writes the tint again where a device lost it.
    void displaysReset();

    static OutputId idOf(const std::wstring& deviceName);

  private:
    // The device's GDI name for an id, from the last listing; empty when unknown.
    std::wstring deviceName(OutputId id);

    std::unique_ptr<DeviceRamps> gdi_;
    DeviceRamps& devices_;
    std::vector<std::pair<OutputId, std::wstring>> names_;
    bool anyTaken_ = false;
    bool refused_ = false;
    bool told_ = false;
};
