#pragma once

#include <gtest/gtest.h>

#include <QProcessEnvironment>
#include <chrono>
#include <memory>
#include <string>

#include "gamma/GammaRamp.h"
#include "support/ChildProcess.h"

struct _XDisplay;  // Xlib's Display, without the macros of its header

// A private Xvfb for one test: started in the constructor on a display number of its own choosing
// (-displayfd), stopped in the destructor. -noreset keeps the server and its gamma ramps alive
// when the last client disconnects.
//
//     XvfbServer xvfb;
//     ASSERT_TRUE(xvfb.running()) << xvfb.error();
//     QProcess tool;
//     tool.setProcessEnvironment(xvfb.environment());
//
// Tests that only need one server per test case can derive from XvfbTest below instead.
class XvfbServer {
  public:
    // Full path of the Xvfb binary found on PATH, or empty when it is not installed.
    static std::string binary();
    static bool available() { return !binary().empty(); }

    // Starts `Xvfb -displayfd 1 -noreset -screen 0 <screen>` and waits up to `startTimeout` for
    // it to report its display number. On failure running() is false and error() says why.
    explicit XvfbServer(const std::string& screen = "1280x800x24",
                        std::chrono::milliseconds startTimeout = std::chrono::seconds(10));
    ~XvfbServer() { stop(); }
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    bool running() const { return server_ != nullptr; }
    const std::string& error() const { return error_; }

    // The display name, ":N".
    const std::string& display() const { return display_; }

    // This process's environment with DISPLAY pointing at the server, for a child process.
    QProcessEnvironment environment() const;

    // SIGTERM, then SIGKILL once `timeout` has passed. Safe to call twice.
    void stop(std::chrono::milliseconds timeout = std::chrono::seconds(5));

  private:
    std::unique_ptr<ChildProcess> server_;
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

// An Xlib connection that closes itself; null when the display cannot be opened. Opening one
// makes this process ignore X errors: windows come and go under a test, and a failed request
// shows in its reply anyway, where Xlib's default handler would end the test program.
struct XDisplayCloser {
    void operator()(_XDisplay* display) const;
};
using XDisplayPtr = std::unique_ptr<_XDisplay, XDisplayCloser>;
XDisplayPtr openXDisplay(const std::string& name);

// Direct RandR access to a server's first CRTC, over a connection of its own, for checking what a
// backend or the tool did. These throw std::runtime_error when the display cannot be opened or
// has no CRTC; the ramp functions also require a gamma size of 256.
int crtcGammaSize(const std::string& display);
GammaRamp readCrtcRamp(const std::string& display);
void setCrtcRamp(const std::string& display, const GammaRamp& ramp);
