#pragma once

#include <optional>
#include <string>

#include "pause/ActiveWindowSource.h"

// An active window held in memory: a test sets the window (or none) and the source reports the
// change as a backend would.
class MemoryActiveWindowSource : public ActiveWindowSource {
  public:
    std::string unavailableText;  // empty: the source can act
    std::optional<Window> window;
    bool started = false;

    std::string unavailable() const override { return unavailableText; }
    void start() override { started = unavailableText.empty(); }
    std::optional<Window> active() const override { return started ? window : std::nullopt; }

    // Makes `w` (or no window) the active one and says so.
    void activate(std::optional<Window> w) {
        window = std::move(w);
        changed();
    }
    void changed() {
        if (onChanged) {
            onChanged();
        }
    }
    void wake() {
        if (onScreenWoke) {
            onScreenWoke();
        }
    }
};
