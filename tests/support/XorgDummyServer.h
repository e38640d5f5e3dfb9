#pragma once

#include <gtest/gtest.h>
#include <sys/types.h>

#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "gamma/GammaRamp.h"
#include "support/ChildProcess.h"

// A private X server for one test, started with -displayfd so that it picks a free display
// number itself, and stopped (by its PID) at the end. Its files (config, log) and a fresh 0700
// runtime folder and configuration folder for the tool live in a temporary folder of its own.
class PrivateXServer {
  public:
    // `command` gives the server and its arguments, without -displayfd, for the server's own
    // folder (where it may put a config file).
    explicit PrivateXServer(
        const std::function<std::vector<std::string>(const std::string& folder)>& command,
        std::chrono::milliseconds startTimeout = std::chrono::seconds(20));
    ~PrivateXServer();
    PrivateXServer(const PrivateXServer&) = delete;
    PrivateXServer& operator=(const PrivateXServer&) = delete;

    bool running() const { return server_ != nullptr; }
    const std::string& error() const { return error_; }
    const std::string& display() const { return display_; }
    std::string folder() const { return dir_.path().toStdString(); }
    std::string runtimeDir() const { return folder() + "/runtime"; }
    std::string configDir() const { return folder() + "/config"; }

    // This process's environment for the tool: DISPLAY, the private folders, no session bus or
    // platform plugin, and the given system bus (by default one that does not exist).
    QProcessEnvironment environment(const std::string& systemBus = {}) const;

  private:
    QTemporaryDir dir_;
    std::unique_ptr<ChildProcess> server_;
    std::string display_;
    std::string error_;
};

// Xorg with the dummy video driver: outputs DUMMY0..DUMMY15, one CRTC each with a 256-entry
// table (i * 256 at start), only DUMMY0 lit. Needs root, xserver-xorg-core and
// xserver-xorg-video-dummy.
class XorgDummyServer : public PrivateXServer {
  public:
    // Why no dummy server can be started here, or empty when one can.
    static std::string unavailable();

    XorgDummyServer();

    // xrandr against this server; true when it succeeded.
    bool xrandr(const std::vector<std::string>& args);
    // DUMMYn lit at 1024x768, placed at (x, 0); off; made primary.
    bool enable(int n, int x);
    bool disable(int n);
    bool setPrimary(int n);

    // The table of DUMMYn's CRTC, lit or not (each output has exactly one CRTC).
    std::optional<GammaRamp> ramp(int n) const;
    void setRamp(int n, const GammaRamp& ramp) const;
    // The display's CRTC ids of DUMMYn, as the tool names its outputs.
    std::uint64_t crtc(int n) const;

  private:
    std::vector<bool> hasMode_ = std::vector<bool>(16, false);
};

// Whether a notification area (trayer, say) serves `display`.
bool notificationAreaReady(const std::string& display);

// Polls until DUMMYn holds `expected`; on failure says what it holds instead.
::testing::AssertionResult outputHolds(
    const XorgDummyServer& server, int n, const GammaRamp& expected,
    std::chrono::milliseconds timeout = std::chrono::seconds(10));
