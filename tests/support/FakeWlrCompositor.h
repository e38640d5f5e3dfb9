#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct wl_display;
struct wl_global;
struct wl_resource;

// A Wayland compositor in the test process, on a thread of its own, offering named wl_outputs
// (version 4), wlr-foreign-toplevel-management with windows the test opens and moves, and, if
// asked to, wlr-gamma-control with tables of chosen sizes. It checks every
// table as wlroots does: read() from the fd's current offset must yield exactly 3 * n words, or the
// client gets a protocol error (recorded in errors()) and loses its connection.
//
//     FakeWlrCompositor compositor;
//     compositor.addOutput("HDMI-A-1", 1024);
//     WlrDisplayGamma display(compositor.socket());
class FakeWlrCompositor {
  public:
    explicit FakeWlrCompositor(bool offerGammaControl = true, bool offerToplevels = true);
    ~FakeWlrCompositor();
    FakeWlrCompositor(const FakeWlrCompositor&) = delete;
    FakeWlrCompositor& operator=(const FakeWlrCompositor&) = delete;

    // The socket's name in $XDG_RUNTIME_DIR; empty when the compositor could not start.
    const std::string& socket() const { return socket_; }

    // Adds an output whose gamma table has `gammaSize` entries; `held` says another program holds
    // it, so every control asked for answers `failed`. Outputs are known by their names.
    void addOutput(const std::string& name, int gammaSize, bool held = false);
    // Withdraws the output's global, as a compositor does when a monitor is unplugged.
    void removeOutput(const std::string& name);

    // Windows of other programs, as the compositor announces them to every client that bound the
    // toplevel manager: each change goes out as its events (outputs left and entered by name,
    // states) followed by `done`.
    struct WindowState {
        bool activated = false;
        bool fullscreen = false;
        bool minimized = false;
        std::vector<std::string> outputs;
    };
    int openWindow(const std::string& appId);  // an id for the calls below
    void setWindow(int window, WindowState state);
    void closeWindow(int window);

    // The tables set on an output so far, oldest first, each 3 * gammaSize words.
    std::vector<std::vector<std::uint16_t>> tables(const std::string& name) const;
    // How many gamma controls were asked for on an output.
    int controlsAsked(const std::string& name) const;
    // Stops and resumes reading from clients, to let a client's socket fill up.
    void setReading(bool reading);

    // Protocol errors posted to clients; each one ended a client's connection.
    std::vector<std::string> errors() const;
    int clients() const;

    // Runs the Qt event loop, which reads a client's socket, until `condition` holds (five
    // seconds at most).
    static bool settle(const std::function<bool()>& condition);

    struct OutputRecord;
    struct WindowRecord;

  private:
    struct Handlers;
    void run();
    OutputRecord* record(const std::string& name) const;
    WindowRecord* window(int id) const;

    wl_display* display_ = nullptr;
    std::string socket_;
    std::vector<std::unique_ptr<OutputRecord>> outputs_;
    std::vector<std::unique_ptr<WindowRecord>> windows_;
    std::vector<wl_resource*> toplevelManagers_;
    std::vector<std::string> errors_;
    mutable std::mutex mutex_;  // held by the compositor thread while it dispatches
    bool stop_ = false;
    bool reading_ = true;
    std::thread thread_;
};
