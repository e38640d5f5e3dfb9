#pragma once

#include <memory>
#include <optional>
#include <string>

#include "pause/ActiveWindowSource.h"

// The active window on X11, as an EWMH window manager names it: `_NET_ACTIVE_WINDOW` on the root
// window, the window's `_NET_WM_STATE` (full screen, hidden) and `WM_CLASS`, its frame's
// rectangle against each lit CRTC. Everything is learnt from property, structure and RandR events
// read through the Qt event loop on a connection of its own, and the end of the screen saver from
// the MIT-SCREEN-SAVER extension's notify event: nothing polls.
class X11ActiveWindowSource : public ActiveWindowSource {
  public:
    // An empty name means $DISPLAY. The connection is opened by unavailable() or start().
    explicit X11ActiveWindowSource(std::string displayName = {});
    ~X11ActiveWindowSource() override;
    X11ActiveWindowSource(const X11ActiveWindowSource&) = delete;
    X11ActiveWindowSource& operator=(const X11ActiveWindowSource&) = delete;

    std::string unavailable() const override;
    void start() override;
    std::optional<Window> active() const override;

  private:
    struct Connection;
    Connection* connection() const;

    std::string displayName_;
    mutable std::unique_ptr<Connection> connection_;
    mutable bool tried_ = false;
};
