#pragma once

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "main_window/MainView.h"
#include "main_window/Platform.h"
#include "pause/WindowPause.h"
#include "schedule/Schedule.h"
#include "schedule/ScheduleTarget.h"

class frmMain;
class Scheduler;

// What the main window's program does beside the window: the schedule and its Automatic item,
// the monitors submenu and the untinted outputs, the settings sections other than the colour,
// and the messages that say a display refused or disturbs the tint. The form calls it from its
// handlers; scripts and the views reach the same state through it.
class frmMainServices : public ScheduleTarget {
  public:
    frmMainServices(frmMain& form, Platform& platform);
    ~frmMainServices() override;
    frmMainServices(const frmMainServices&) = delete;
    frmMainServices& operator=(const frmMainServices&) = delete;

    // ---- Schedule -------------------------------------------------------------------------
    // The schedule's settings, as the settings file keeps them; null on a platform without a
    // clock and an alarm.
    const Scheduler* scheduler() const { return scheduler_.get(); }
    // The menu item Automatic: checked while the schedule runs, greyed while none is set.
    bool automaticChecked() const { return automaticChecked_; }
    bool automaticEnabled() const { return automaticEnabled_; }
    // The schedule and its fade (0..3600 s), set by the user: taken at once and kept in the
    // settings file. Setting a schedule turns Automatic on; "off" leaves it as it is. Nothing
    // happens without a scheduler.
    void setSchedule(const Schedule& schedule);
    void setFadeSeconds(int seconds);
    // The menu item Automatic chosen: the schedule on or off; nothing while none is set.
    void toggleAutomatic();

    // ---- Monitors -------------------------------------------------------------------------
    // The tray menu's monitors submenu: every named lit output while two or more are lit, else
    // nothing (the submenu is not shown).
    const std::vector<MonitorItem>& monitors() const { return monitors_; }
    // What an item of the monitors submenu does, by the output's name, which need not be lit
    // now (it is remembered for when it is); and the whole set of untinted names.
    void setOutputTinted(const std::string& name, bool tinted);
    void setUntintedOutputs(const std::set<std::string>& names);
    const std::set<std::string>& untintedOutputs() const;
    void chooseMonitor(std::size_t index);

    // ---- Pausing for the active window ----------------------------------------------------
    // The choices, taken at once and kept in the settings file; from the menu, full screen
    // turned over.
    const pausing::Choices& pauseChoices() const { return pause_.choices(); }
    void setPauseChoices(pausing::Choices choices);
    void togglePauseFullscreen();
    // The outputs the active window pauses now, by name; why no window can be followed here.
    const std::set<std::string>& pausedOutputs() const { return pause_.paused(); }
    std::string pauseUnavailable() const { return pause_.unavailable(); }
    // ---- Start at login ---------------------------------------------------------------------
    // Whether the program starts at login, as the system holds it now: the user may have
    // removed the entry by hand.
    bool autostart() const;
    // For scripts: the refusal's clause, or empty once done. The menu's check then shows what
    // is there.
    std::string setAutostart(bool on);
    // The menu item: turned the other way from what is there; a refusal is said.
    void toggleAutostart();
    // The menu is about to open: its check shows what is there now.
    void showAutostart();

    // ---- The form's load, resume and unload -----------------------------------------------
    // Before the first ramps are read and written, so an untinted output is never tinted.
    void loadUntinted();
    // After the first tint: says a refusal or a notice, then starts the kept schedule (a
    // schedule that wants the day switches to normal at once, with no fade).
    void loaded();
    // The machine woke: hours may have passed, so the schedule takes the mode it wants now.
    void resumed();
    // A switch by hand (window, menu, picker, commands); the scheduler tells its own apart.
    void handSwitched();
    // No scheduled change or fade step may come after the base ramps are back.
    void unloading();
    // The form's held run ended: the sections it changed are kept, each once.
    void releaseEffects();

    // ---- Messages ---------------------------------------------------------------------------
    // Says once, in a message and on stderr, that this display takes no ramps.
    void reportRefusal();
    // Says once that a ramp was refused while others were taken; inside the load, only once the
    // load is done and only if the display took any ramp at all.
    void reportPartialRefusal();
    // A message with `caption` over `what` (English, a clause without its full stop), and `what`
    // on stderr after "dimwarden: ".
    void tell(const std::string& caption, const std::string& what);

    // What the schedule drives: the menu's own switches, and the fade's ramps between them.
    bool nightOn() const override;
    void switchToNight() override;
    void switchToNormal() override;
    void writeBlend(bool toNight, double progress) override;

    // Tells a view attached after the load what the load left in the menu.
    void showTo(MainView& view) const;

  private:
    void showAutomatic();
    void keepSchedule();
    void saveSchedule();
    void keepUntinted();
    void keepPause();
    // The engine's lit outputs or untinted names changed: the submenu follows, the names are kept.
    void monitorsChanged();
    void reportChange();
    // The kept choices taken and the active window followed, once the load has tinted.
    void startPause();
    void changePause(pausing::Choices choices, bool fromMenu);
    void showPause();

    frmMain& form_;
    Platform& platform_;
    std::unique_ptr<Scheduler> scheduler_;
    bool automaticChecked_ = false;
    bool automaticEnabled_ = false;
    bool refusalReported_ = false;
    bool partialRefusalPending_ = false;
    std::vector<MonitorItem> monitors_;
    // The untinted names as the settings file holds them.
    std::set<std::string> keptUntinted_;
    // The untinted names as `changed` last reported them.
    std::set<std::string> reportedUntinted_;
    WindowPause pause_;
    // What has been said of pause choices that cannot act here: on stderr, in a message.
    bool pauseToldStderr_ = false;
    bool pauseToldMessage_ = false;
    // Sections changed while the form holds its effects, kept at the release.
    bool scheduleHeld_ = false;
    bool pauseHeld_ = false;
};
