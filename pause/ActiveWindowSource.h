#pragma once

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// The window the user works in now, as far as pausing the tint needs it: which application it
// belongs to, whether it is full screen, and which outputs it is on. Each system has its own
// source (X11 through EWMH, wlroots compositors through foreign-toplevel, Windows through
// WinEvents); the pause logic owns this interface and asks nothing else of the window system.
class ActiveWindowSource {
  public:
    // One output the active window is shown on, by the name DisplayGamma::Output gives it.
    struct Placement {
        std::string output;
        // The window's rectangle covers the whole output (a borderless window the size of the
        // monitor counts as full screen). Where no rectangle is known (Wayland), false.
        bool covered = false;
        friend bool operator==(const Placement&, const Placement&) = default;
    };

    struct Window {
        // The names the application goes by, as the system gives them; the pause logic compares
        // them without regard to case. X11: WM_CLASS instance and class; Wayland: app_id;
        // Windows: the program's file name with its extension ("mpv.exe").
        std::vector<std::string> appNames;
        // The window's own full-screen state (_NET_WM_STATE_FULLSCREEN, the toplevel's
        // fullscreen state). Windows has none: false there, and `covered` tells.
        bool fullscreen = false;
        // The outputs it is shown on; empty while it is on none (minimised, moved off every
        // output).
        std::vector<Placement> outputs;
        friend bool operator==(const Window&, const Window&) = default;
    };

    virtual ~ActiveWindowSource() = default;

    // Why this source cannot follow the active window on this desktop, as one clause for the
    // user (English, no full stop), such as "GNOME on Wayland tells no program which window is
    // active"; empty while it can.
    virtual std::string unavailable() const = 0;
    // Starts following the active window: from then on the callbacks below come through the
    // event loop. Called once; does nothing where unavailable() is not empty.
    virtual void start() = 0;
    // The active window now; nothing while no window is active (the desktop itself, the active
    // one closed) or before start().
    virtual std::optional<Window> active() const = 0;

    // Called on the UI thread when the active window, its state, its placement or the outputs
    // may have changed. The caller compares; a call that changes nothing costs no ramp write.
    std::function<void()> onChanged;
    // Called on the UI thread when the screen comes back from the screen saver or from power
    // saving (X11's MIT-SCREEN-SAVER), when another program may have reset the ramps.
    std::function<void()> onScreenWoke;
};

// Where no source can follow the active window (GNOME on Wayland, compositors without
// foreign-toplevel): the choices are kept, and this says why they cannot act.
class UnavailableActiveWindowSource : public ActiveWindowSource {
  public:
    explicit UnavailableActiveWindowSource(std::string why) : why_(std::move(why)) {}
    std::string unavailable() const override { return why_; }
    void start() override {}
    std::optional<Window> active() const override { return std::nullopt; }

  private:
    std::string why_;
};
