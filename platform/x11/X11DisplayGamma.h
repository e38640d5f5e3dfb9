#pragma once

#include <string>

#include "gamma/DisplayGamma.h"

// The primary display's ramp through RandR. The screen resources are queried at every operation,
// so a monitor plugged in or out between two calls is seen. With no X display, no RandR, no CRTC
// or a gamma size of 0, both calls fail quietly.
class X11DisplayGamma : public DisplayGamma {
  public:
    // An empty name means $DISPLAY. The connection is opened on first use and kept.
    explicit X11DisplayGamma(std::string displayName = {});
    ~X11DisplayGamma() override;
    X11DisplayGamma(const X11DisplayGamma&) = delete;
    X11DisplayGamma& operator=(const X11DisplayGamma&) = delete;

    bool read(GammaRamp& ramp) override;
    bool apply(const GammaRamp& ramp) override;

  private:
    struct Connection;
    std::string displayName_;
    Connection* connection_ = nullptr;
    bool tried_ = false;
};
