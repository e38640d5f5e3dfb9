#pragma once

#include "control/Controller.h"
#include "main_window/frmMain.h"
#include "schedule/Scheduler.h"

// The window as commands from outside see it: each command runs the handler of the control it
// stands for, so the window, the tray menu and the kept colour follow as they do for a click.
class frmMainControlTarget : public control::ControlTarget {
  public:
    explicit frmMainControlTarget(frmMain& form) : form_(form) {
        form_.changed = [this] {
            if (changed) {
                changed();
            }
        };
    }
    ~frmMainControlTarget() override { form_.changed = nullptr; }
    frmMainControlTarget(const frmMainControlTarget&) = delete;
    frmMainControlTarget& operator=(const frmMainControlTarget&) = delete;

    bool night() const override { return form_.modeOn(); }
    BgrColor color() const override { return form_.color(); }
    int brightness() const override { return form_.position(frmMain::Slider::HScroll1); }

    void chooseNight() override { form_.mnuNight_Click(); }
    void chooseNormal() override { form_.mnuNormal_Click(); }
    void toggle() override { form_.picSwitch_Click(); }
    void pickColor(BgrColor color) override { form_.picker_SwatchPicked(color); }
    // A completed move: the slider's change handler runs if the position is new.
    void moveBrightness(int position) override {
        form_.moveSlider(frmMain::Slider::HScroll1, position);
    }

    // Without a clock and an alarm the schedule stays off, as the form leaves it.
    Schedule schedule() const override {
        return form_.services().scheduler() != nullptr ? form_.services().scheduler()->schedule()
                                                       : Schedule{};
    }
    int fadeSeconds() const override {
        return form_.services().scheduler() != nullptr ? form_.services().scheduler()->fadeSeconds()
                                                       : Scheduler::kDefaultFadeSeconds;
    }
    bool automatic() const override {
        return form_.services().scheduler() != nullptr && form_.services().scheduler()->automatic();
    }
    void setSchedule(const Schedule& schedule) override { form_.services().setSchedule(schedule); }
    void setFadeSeconds(int seconds) override { form_.services().setFadeSeconds(seconds); }

    std::set<std::string> untinted() const override { return form_.services().untintedOutputs(); }
    void setOutputTinted(const std::string& name, bool tinted) override {
        form_.services().setOutputTinted(name, tinted);
    }
    void setUntinted(const std::set<std::string>& names) override {
        form_.services().setUntintedOutputs(names);
    }
    void quit() override { form_.mnuExit_Click(); }
    void holdEffects(bool held) override {
        if (held) {
            form_.holdEffects();
        } else {
            form_.releaseEffects();
        }
    }
    bool autostart() const override { return form_.services().autostart(); }
    std::string setAutostart(bool on) override { return form_.services().setAutostart(on); }

    bool pauseFullscreen() const override { return form_.services().pauseChoices().fullscreen; }
    std::vector<std::string> pauseApps() const override {
        return form_.services().pauseChoices().apps;
    }
    void setPauseFullscreen(bool on) override {
        pausing::Choices choices = form_.services().pauseChoices();
        choices.fullscreen = on;
        form_.services().setPauseChoices(std::move(choices));
    }
    void setPauseApps(const std::vector<std::string>& apps) override {
        pausing::Choices choices = form_.services().pauseChoices();
        choices.apps = apps;
        form_.services().setPauseChoices(std::move(choices));
    }
    std::set<std::string> paused() const override { return form_.services().pausedOutputs(); }
    std::string pauseUnavailable() const override { return form_.services().pauseUnavailable(); }

  private:
    frmMain& form_;
};
