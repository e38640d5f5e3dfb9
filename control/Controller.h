#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "control/Command.h"
#include "schedule/Scheduler.h"

// Applies commands from outside (command line, session bus) to the running tool, through the
// same handlers the window runs, and tells listeners of every change whatever its source.
namespace control {

// What a status line shows.
struct State {
    bool night = true;
    BgrColor color;
    int brightness = kMaxBrightness;
    std::string schedule = "off";  // its text form: HH:MM-HH:MM, sun:LAT,LON or off
    int fade = Scheduler::kDefaultFadeSeconds;
    bool automatic = true;  // the tray menu's Automatic: the schedule runs
    // The outputs left untinted, by name, in order; names of outputs not lit now included.
    std::vector<std::string> untinted = {};
    bool autostart = false;  // the tray menu's Start at login
    // The pause choices, the outputs paused now (by name, in order), and why the choices cannot
    // act on this desktop (empty where they can).
    bool pauseFullscreen = false;
    std::vector<std::string> pauseApps = {};
    std::vector<std::string> paused = {};
    std::string pauseUnavailable = {};

    bool operator==(const State&) const = default;
};

// "night #0080FF 40", then "schedule=22:00-07:00 fade=60" while a schedule is set,
// "automatic=off" when it does not run, "untinted=DP-1,My%20TV" while any output is left
// untinted, "autostart=on" while it starts at login, "paused=DP-1" while any is paused, and
// "pause=unavailable" while a pause choice is on where it cannot act. The first three fields
// never change their place.
std::string statusLine(const State& state);
// Every field, always: {"night":true,"color":"#0080FF","brightness":40,"schedule":"off",
// "fade":60,"automatic":true,"untinted":[],"autostart":false,"pause_fullscreen":false,
// "pause_apps":[],"paused":[],"pause_unavailable":""}
std::string statusJson(const State& state);

// The running tool as commands see it. Each operation does what the named control of the
// window does, in the window's order.
class ControlTarget {
  public:
    virtual ~ControlTarget() = default;

    virtual bool night() const = 0;
    virtual BgrColor color() const = 0;
    virtual int brightness() const = 0;  // the brightness slider's position

    virtual void chooseNight() = 0;                 // the menu's Night
    virtual void chooseNormal() = 0;                // the menu's Normal
    virtual void toggle() = 0;                      // the ON/OFF switch
    virtual void pickColor(BgrColor color) = 0;     // a swatch of the picker
    virtual void moveBrightness(int position) = 0;  // the brightness slider, 0..40

    virtual Schedule schedule() const = 0;
    virtual int fadeSeconds() const = 0;
    virtual bool automatic() const = 0;  // the menu's Automatic, checked or not
    // As typed: a schedule turns Automatic on, off clears it; the fade is 0..3600 seconds.
    virtual void setSchedule(const Schedule& schedule) = 0;
    virtual void setFadeSeconds(int seconds) = 0;
    // The outputs left untinted, by name; an item of the menu's Monitors submenu for each
    // change, for outputs that are not lit now too.
    virtual std::set<std::string> untinted() const = 0;
    virtual void setOutputTinted(const std::string& name, bool tinted) = 0;
    virtual void setUntinted(const std::set<std::string>& names) = 0;
    virtual void quit() = 0;  // the tray menu's Exit
    // The tray menu's Start at login, as the system holds it; a change answers a refusal (a
    // clause) or empty once done.
    virtual bool autostart() const = 0;
    virtual std::string setAutostart(bool on) = 0;

    // The pause choices: the tray menu's "Pause in full screen", and the applications listed
    // (in the order given). Both take effect at once and are kept in the settings file.
    virtual bool pauseFullscreen() const = 0;
    virtual std::vector<std::string> pauseApps() const = 0;
    virtual void setPauseFullscreen(bool on) = 0;
    virtual void setPauseApps(const std::vector<std::string>& apps) = 0;
    // The outputs paused now, by name; why the choices cannot act here (empty where they can).
    virtual std::set<std::string> paused() const = 0;
    virtual std::string pauseUnavailable() const = 0;

    // While held, what a change costs beyond the target's state (writing the display, keeping the
    // colour) may wait for the release, which does it once for the whole run.
    virtual void holdEffects(bool held) { (void)held; }

    // Set by the controller; the target calls it once a change is complete, whatever started it.
    std::function<void()> changed;
};

class Controller {
  public:
    explicit Controller(ControlTarget& target);
    ~Controller();
    Controller(const Controller&) = delete;
    Controller& operator=(const Controller&) = delete;

    State state() const;

    // Every command but Status and Watch, which change nothing. The refusal's one line, or
    // empty when done.
    std::string apply(const Command& command);
    void setNight(bool on);
    void setColor(BgrColor color);
    void setBrightness(int position);  // clamped to 0..40
    void toggle();
    void setSchedule(const Schedule& schedule);
    void setFadeSeconds(int seconds);  // clamped to 0..3600
    // Every output named is left untinted, every other one tinted.
    void setUntinted(const std::set<std::string>& names);
    void setOutputTinted(const std::string& name, bool tinted);
    // Start at login on or off: the refusal's clause, or empty when done.
    std::string setAutostart(bool on);
    void setPauseFullscreen(bool on);
    void setPauseApps(const std::vector<std::string>& apps);

    // --quit: the channel that took it answers first, then ends the instance with quit().
    void requestQuit() { quitRequested_ = true; }
    bool takeQuitRequest() { return std::exchange(quitRequested_, false); }
    void quit();

    // Commands that arrive together (a burst on the bus) handled as one run: each is applied at
    // once and the state reads back as it leaves it, but the target's costly effects and the
    // listeners wait for release(), which does them once. A channel answers after the release,
    // so an answered change is on the screen and kept.
    void hold();
    void release();

    // `listener` is called with the new state after every completed change, until removed.
    int addListener(std::function<void(const State&)> listener);
    void removeListener(int id);

  private:
    void notify();

    ControlTarget& target_;
    std::map<int, std::function<void(const State&)>> listeners_;
    int nextListener_ = 0;
    bool quitRequested_ = false;
    bool held_ = false;
    bool changedWhileHeld_ = false;
};

}  // namespace control
