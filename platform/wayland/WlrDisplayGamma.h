#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "gamma/DisplayGamma.h"

struct wl_display;
struct wl_registry;
struct zwlr_gamma_control_manager_v1;
class QSocketNotifier;

// Gamma tables on wlroots compositors (sway, Hyprland, river, labwc, Wayfire) through
// wlr-gamma-control, on a Wayland connection of its own. The compositor hands out no tables, so
// nothing can be read; it restores its own ramp when a control is destroyed or this process ends.
// Outputs come and go with the registry's wl_output globals; those events are read when the
// connection's socket wakes the Qt event loop, never by blocking.
class WlrDisplayGamma : public DisplayGamma {
  public:
    // Connects to `socket` (empty: $WAYLAND_DISPLAY) and waits for the registry's answer, so
    // that hasGammaControl() and outputs() are known when this returns. Needs a Qt application.
    explicit WlrDisplayGamma(const std::string& socket = {});
    ~WlrDisplayGamma() override;
    WlrDisplayGamma(const WlrDisplayGamma&) = delete;
    WlrDisplayGamma& operator=(const WlrDisplayGamma&) = delete;

    // True when connected to a compositor whose registry offers the gamma-control manager.
    bool hasGammaControl() const;

    std::vector<Output> outputs() override;
    bool canRead() const override { return false; }
    bool read(OutputId id, GammaRamp& ramp) override;
    bool apply(OutputId id, const GammaRamp& ramp) override;
    std::string refusal() const override;

    struct WlrOutput;  // one wl_output and its gamma control

  private:
    struct Listeners;

    WlrOutput* find(OutputId id);
    void requestControl(WlrOutput& output);
    void forget(std::uint32_t global);
    bool send(WlrOutput& output, const GammaRamp& ramp);
    bool flush();
    void drain();
    void onReadable();
    void loseConnection();
    void announceChanges();

    wl_display* display_ = nullptr;
    wl_registry* registry_ = nullptr;
    zwlr_gamma_control_manager_v1* manager_ = nullptr;
    std::uint32_t managerGlobal_ = 0;
    std::vector<std::unique_ptr<WlrOutput>> outputs_;
    std::unique_ptr<QSocketNotifier> readNotifier_;
    std::unique_ptr<QSocketNotifier> writeNotifier_;
    bool lost_ = false;
    bool backlog_ = false;  // the socket was full: tables wait in WlrOutput::pending
    bool changed_ = false;
};
