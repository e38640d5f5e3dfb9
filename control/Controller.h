#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "control/Command.h"

// Applies commands from outside (command line, session bus) to the running tool, through the
// same handlers the window runs, and tells listeners of every change whatever its source.
namespace control {

// What a status line shows.
struct State {
    bool night = true;
    std::uint32_t color = 0;  // 0x00BBGGRR
    int brightness = kMaxBrightness;
    // The outputs left untinted, by name, in order; names of outputs not lit now included.
    std::vector<std::string> untinted = {};

    bool operator==(const State&) const = default;
};

// "night #0080FF 40" or "normal #0080FF 40", then "untinted=DP-1,My%20TV" while any output is
// left untinted.
std::string statusLine(const State& state);
// {"night":true,"color":"#0080FF","brightness":40,"untinted":["DP-1","My TV"]}
std::string statusJson(const State& state);

// The running tool as commands see it. Each operation does what the named control of the
// window does, in the window's order.
class ControlTarget {
  public:
    virtual ~ControlTarget() = default;

    virtual bool night() const = 0;
    virtual std::uint32_t color() const = 0;  // 0x00BBGGRR
    virtual int brightness() const = 0;       // the brightness slider's position

    virtual void chooseNight() = 0;                 // the menu's Night
    virtual void chooseNormal() = 0;                // the menu's Normal
    virtual void toggle() = 0;                      // the ON/OFF switch
    virtual void pickColor(std::uint32_t bgr) = 0;  // a swatch of the picker
    virtual void moveBrightness(int position) = 0;  // the brightness slider, 0..40

    // The outputs left untinted, by name; an item of the menu's Monitors submenu for each
    // change, for outputs that are not lit now too.
    virtual std::set<std::string> untinted() const = 0;
    virtual void setOutputTinted(const std::string& name, bool tinted) = 0;
    virtual void setUntinted(const std::set<std::string>& names) = 0;

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

    // Night, Normal, Toggle, Color and Brightness; Status and Watch change nothing.
    void apply(const Command& command);
    void setNight(bool on);
    void setColor(std::uint32_t bgr);
    void setBrightness(int position);  // clamped to 0..40
    void toggle();
    // Every output named is left untinted, every other one tinted.
    void setUntinted(const std::set<std::string>& names);

    // `listener` is called with the new state after every completed change, until removed.
    int addListener(std::function<void(const State&)> listener);
    void removeListener(int id);

  private:
    void notify();

    ControlTarget& target_;
    std::map<int, std::function<void(const State&)>> listeners_;
    int nextListener_ = 0;
};

}  // namespace control
