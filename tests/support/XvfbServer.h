#pragma once

#include <gtest/gtest.h>
#include <sys/types.h>

#include <QProcessEnvironment>
#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "gamma/GammaRamp.h"

// A private Xvfb for one test: started in the constructor on a display number of its own choosing
// (-displayfd), killed by its PID in the destructor. -noreset keeps the server and its gamma ramps
// alive when the last client disconnects.
//
//     XvfbServer xvfb;
//     ASSERT_TRUE(xvfb.running()) << xvfb.error();
//     QProcess tool;
//     tool.setProcessEnvironment(xvfb.environment());
//
// Tests that only need one server per test case can derive from XvfbTest below instead.
class XvfbServer {
  public:
    using Clock = std::chrono::steady_clock;

    // Full path of the Xvfb binary found on PATH, or empty when it is not installed.
    static std::string binary();
    static bool available() { return !binary().empty(); }

    // Starts `Xvfb -displayfd N -noreset -screen 0 <screen>` and waits up to `startTimeout` for
    // it to report its display number. On failure running() is false and error() says why.
    explicit XvfbServer(const std::string& screen = "1280x800x24",
                        std::chrono::milliseconds startTimeout = std::chrono::seconds(10));
    ~XvfbServer();
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    bool running() const { return pid_ > 0; }
    const std::string& error() const { return error_; }
    pid_t pid() const { return pid_; }

    // The display name, ":N".
    const std::string& display() const { return display_; }

    // This process's environment with DISPLAY pointing at the server, for a child process.
    QProcessEnvironment environment() const;

    // SIGTERM, then SIGKILL once `timeout` has passed; reaps the process. Safe to call twice.
    void stop(std::chrono::milliseconds timeout = std::chrono::seconds(5));

  private:
    void start(const std::string& screen, std::chrono::milliseconds timeout);

    pid_t pid_ = -1;
    std::string display_;
    std::string error_;
};

// A test case with its own Xvfb; skipped when Xvfb is not installed, failed when it will not start.
class XvfbTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override { xvfb_.reset(); }

    XvfbServer& xvfb() { return *xvfb_; }
    const std::string& display() const { return xvfb_->display(); }

  private:
    std::unique_ptr<XvfbServer> xvfb_;
};

// Direct RandR access to a server's first CRTC, over a connection of its own, for checking what a
// backend or the tool did. These throw std::runtime_error when the display cannot be opened or
// has no CRTC; the ramp functions also require a gamma size of 256.
int crtcGammaSize(const std::string& display);
GammaRamp readCrtcRamp(const std::string& display);
void setCrtcRamp(const std::string& display, const GammaRamp& ramp);

// Polls `condition` every few milliseconds until it holds or `timeout` passes; true if it held.
bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout);
