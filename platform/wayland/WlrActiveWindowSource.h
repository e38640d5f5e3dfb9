#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "pause/ActiveWindowSource.h"

struct wl_display;
struct wl_registry;
struct zwlr_foreign_toplevel_manager_v1;
class QSocketNotifier;

// The active window on wlroots compositors (sway, Hyprland, river, labwc, Wayfire), from
// wlr-foreign-toplevel-management on a Wayland connection of its own: each window's app_id, its
// activated, fullscreen and minimised states and the outputs it is on. Events only: the socket
// wakes the Qt event loop, nothing is asked.
class WlrActiveWindowSource : public ActiveWindowSource {
  public:
    // Connects to `socket` (empty: $WAYLAND_DISPLAY) and learns the globals, so that
    // unavailable() is known when this returns. Needs a Qt application.
    explicit WlrActiveWindowSource(const std::string& socket = {});
    ~WlrActiveWindowSource() override;
    WlrActiveWindowSource(const WlrActiveWindowSource&) = delete;
    WlrActiveWindowSource& operator=(const WlrActiveWindowSource&) = delete;

    std::string unavailable() const override;
    void start() override;
    std::optional<Window> active() const override;

    struct Output;    // one wl_output, for its name
    struct Toplevel;  // one window of another program

  private:
    struct Listeners;

    void bindManager();
    void forgetOutput(std::uint32_t global);
    void onReadable();
    void loseConnection();
    void changed();

    wl_display* display_ = nullptr;
    wl_registry* registry_ = nullptr;
    zwlr_foreign_toplevel_manager_v1* manager_ = nullptr;
    std::uint32_t managerGlobal_ = 0;
    std::uint32_t managerVersion_ = 0;
    std::vector<std::unique_ptr<Output>> outputs_;
    std::vector<std::unique_ptr<Toplevel>> toplevels_;
    std::unique_ptr<QSocketNotifier> readNotifier_;
    bool started_ = false;
    bool finished_ = false;  // the compositor withdrew the manager
    bool lost_ = false;
    std::optional<Window> reported_;
};
