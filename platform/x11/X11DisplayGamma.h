#pragma once

#include <memory>
#include <string>

#include "gamma/DisplayGamma.h"

// Every CRTC's gamma table through RandR, over one X connection. The screen resources are queried
// afresh for each list of outputs; RandR's screen, CRTC and output change events are read from
// the connection's descriptor through the Qt event loop and reported through onOutputsChanged,
// one call per batch. With no X display, no RandR 1.3 or no CRTC with a gamma table every call
// fails quietly and refusal() says why.
class X11DisplayGamma : public DisplayGamma {
  public:
    // An empty name means $DISPLAY. The connection is opened on first use and kept.
    explicit X11DisplayGamma(std::string displayName = {});
    ~X11DisplayGamma() override;
    X11DisplayGamma(const X11DisplayGamma&) = delete;
    X11DisplayGamma& operator=(const X11DisplayGamma&) = delete;

    std::vector<Output> outputs() override;
    bool read(OutputId id, GammaRamp& ramp) override;
    bool apply(OutputId id, const GammaRamp& ramp) override;
    std::string refusal() const override { return refusal_; }
    std::string journalKey() const override { return journalKey_; }

    // The display itself, however its name is spelt: host and number (":0" for ":0.0", "unix:0").
    static std::string journalKeyOf(const std::string& displayName);

  private:
    struct Connection;
    Connection* connection();

    std::string displayName_;
    std::unique_ptr<Connection> connection_;
    bool tried_ = false;
    std::string refusal_;
    std::string journalKey_;
};
