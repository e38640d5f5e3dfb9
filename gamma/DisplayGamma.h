#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "gamma/GammaRamp.h"

// The display's outputs and their gamma tables. Ramps cross this interface as 256-entry
// GammaRamps; each backend resamples to its outputs' own table sizes (ramp::sampleTo256 /
// ramp::spreadFrom256 in gamma/RampMath.h), as the X11 backend does.
class DisplayGamma {
  public:
    // Stable for as long as the output exists: X11 the CRTC's XID, Wayland the wl_registry
    // name of the wl_output, Mutter the CRTC id.
    using OutputId = std::uint64_t;
    struct Output {
        OutputId id = 0;
        // As the system names the output: X11 the RandR output name ("DP-1", "DUMMY1"), Wayland
        // the wl_output name ("HDMI-A-1"), Mutter the connector. Shown to the user and kept in
        // the settings file to leave an output untinted, so it must not change between runs.
        std::string name;
        int gammaSize = 0;    // entries per channel in the hardware table (> 0)
        bool active = false;  // lit: drives a connected output with a mode
    };
    virtual ~DisplayGamma() = default;

    // Every output whose table can be addressed now (active or not), queried afresh.
    virtual std::vector<Output> outputs() = 0;
    // False where tables cannot be read back at all (wlr-gamma-control); the engine then takes
    // the identity ramp (i*256) as an output's base.
    virtual bool canRead() const { return true; }
    // Reads an output's table resampled to 256 entries; false leaves `ramp` untouched.
    virtual bool read(OutputId id, GammaRamp& ramp) = 0;
    // Writes `ramp` spread to the output's own size; false when refused.
    virtual bool apply(OutputId id, const GammaRamp& ramp) = 0;
    // Why this display takes no ramps at all, in one sentence for the user (English); empty while
    // it works or while the backend does not know.
    virtual std::string refusal() const { return {}; }
    // What the user should know although this display takes ramps, such as another program that
    // writes the same tables, as a clause like refusal(); empty: nothing. Asked once, at start.
    virtual std::string notice() { return {}; }
    // Names this display for the crash journal (X11: the display name such as ":0"); empty: the
    // backend keeps no journal (its compositor restores its own ramp when the client exits).
    virtual std::string journalKey() const { return {}; }

    // Set when another instance has taken this display over: from then on the engine writes no
    // ramp and leaves the crash journal alone, so two never tint on top of each other.
    bool handedOver = false;

    // Called once, at the first ramp refused while others were taken (Windows takes no ramp far
    // from the identity unless the machine allows the full range); refusal() then says why.
    std::function<void()> onRefused;

    // Set by the engine. The backend calls it on the UI thread (from a fd watched by a
    // QSocketNotifier, or a Qt D-Bus signal) when outputs appeared, went away or changed mode.
    std::function<void()> onOutputsChanged;
    // Set by the engine. The backend calls it on the UI thread when the system may have put the
    // outputs' own ramps back (Windows: a display woken, a session unlocked).
    std::function<void()> onReset;
};
