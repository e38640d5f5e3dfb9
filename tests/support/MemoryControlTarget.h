#pragma once

#include <set>
#include <string>
#include <vector>

#include "control/Controller.h"

// A stand-in for the window as commands see it: it records each handler it is asked to run and
// keeps the state those handlers would leave, reporting every change as the window does.
class MemoryControlTarget : public control::ControlTarget {
  public:
    bool isNight = true;
    BgrColor bgr{0x00FF8000};
    int position = control::kMaxBrightness;
    Schedule plan;
    int fade = 60;
    bool runs = true;
    std::set<std::string> untintedNames;
    bool startsAtLogin = false;
    bool pauseFull = false;
    std::vector<std::string> apps;
    std::set<std::string> pausedNames;
    std::string whyNoPause;
    std::vector<std::string> calls;
    // Runs held by a channel: whether one is held now, and where each ended (handlers run by then).
    bool held = false;
    std::vector<std::size_t> runEnds;

    bool night() const override { return isNight; }
    BgrColor color() const override { return bgr; }
    int brightness() const override { return position; }

    void chooseNight() override {
        run("night", [&] { isNight = true; });
    }
    void chooseNormal() override {
        run("normal", [&] { isNight = false; });
    }
    void toggle() override {
        run("toggle", [&] { isNight = !isNight; });
    }
    void pickColor(BgrColor c) override {
        run("color " + control::formatColor(c), [&] { bgr = c; });
    }
    // Like a slider, a move to where it stands runs no handler.
    void moveBrightness(int p) override {
        if (p != position) {
            run("brightness " + std::to_string(p), [&] { position = p; });
        }
    }

    Schedule schedule() const override { return plan; }
    int fadeSeconds() const override { return fade; }
    bool automatic() const override { return runs; }
    // As the window's: a schedule set turns Automatic on.
    void setSchedule(const Schedule& s) override {
        run("schedule " + schedule::format(s), [&] {
            plan = s;
            runs = runs || s.isSet();
        });
    }
    void setFadeSeconds(int seconds) override {
        run("fade " + std::to_string(seconds), [&] { fade = seconds; });
    }
    std::set<std::string> untinted() const override { return untintedNames; }
    void setOutputTinted(const std::string& name, bool tinted) override {
        run((tinted ? "tint " : "untint ") + name, [&] {
            if (tinted) {
                untintedNames.erase(name);
            } else {
                untintedNames.insert(name);
            }
        });
    }
    void setUntinted(const std::set<std::string>& names) override {
        run("untinted " + std::to_string(names.size()), [&] { untintedNames = names; });
    }

    void quit() override { calls.push_back("quit"); }
    void holdEffects(bool on) override {
        if (held && !on) {
            runEnds.push_back(calls.size());
        }
        held = on;
    }
    bool autostart() const override { return startsAtLogin; }
    std::string setAutostart(bool on) override {
        run(on ? "autostart on" : "autostart off", [&] { startsAtLogin = on; });
        return {};
    }

    bool pauseFullscreen() const override { return pauseFull; }
    std::vector<std::string> pauseApps() const override { return apps; }
    void setPauseFullscreen(bool on) override {
        run(std::string("pause-fullscreen ") + (on ? "on" : "off"), [&] { pauseFull = on; });
    }
    void setPauseApps(const std::vector<std::string>& a) override {
        std::string joined;
        for (const std::string& name : a) {
            joined += (joined.empty() ? "" : "|") + name;
        }
        run("pause-apps " + joined, [&] { apps = a; });
    }
    std::set<std::string> paused() const override { return pausedNames; }
    std::string pauseUnavailable() const override { return whyNoPause; }

    // A change made in the window itself.
    void changeFromWindow(BgrColor c) {
        bgr = c;
        changed();
    }

  private:
    template <typename F>
    void run(const std::string& call, F&& change) {
        calls.push_back(call);
        change();
        if (changed) {
            changed();
        }
    }
};
