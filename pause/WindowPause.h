#pragma once

#include <functional>
#include <set>
#include <string>

#include "pause/ActiveWindowSource.h"
#include "pause/PauseRules.h"

class Clock;
class GammaEngine;

// Follows the active window for the display engine: the outputs it covers show their base while
// it qualifies under the user's choices, and on each of the source's events (and when the screen
// saver ends) a tint another program undid is put back. Everything happens on the source's
// events: nothing polls, and an event that changes nothing writes nothing.
class WindowPause {
  public:
    // `source` may be null (nothing is followed); `clock` times another program's changes, the
    // steady clock when null.
    WindowPause(GammaEngine& engine, ActiveWindowSource* source, Clock* clock);
    ~WindowPause();
    WindowPause(const WindowPause&) = delete;
    WindowPause& operator=(const WindowPause&) = delete;

    // Starts following, once the engine has tinted the screen.
    void start();
    // Stops for good (at unload): later events change nothing.
    void stop();

    const pausing::Choices& choices() const { return choices_; }
    // Takes effect at once: outputs pause or come back.
    void setChoices(pausing::Choices choices);

    // Why the choices cannot act on this desktop, a clause for the user; empty where they can.
    std::string unavailable() const;
    // The outputs paused now, by name.
    const std::set<std::string>& paused() const;

    // Called when the paused outputs changed.
    std::function<void()> onPausedChanged;

  private:
    void follow();
    void pauseNow();
    void putBack();

    GammaEngine& engine_;
    ActiveWindowSource* source_;
    Clock* clock_;
    pausing::Choices choices_;
    bool started_ = false;
    bool stopped_ = false;
};
