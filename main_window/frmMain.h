#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "color_picker/frmColor.h"
#include "gamma/BgrColor.h"
#include "gamma/GammaEngine.h"
#include "main_window/MainView.h"
#include "main_window/NotifyIcon.h"
#include "main_window/Platform.h"
#include "main_window/frmMainLayout.h"
#include "pause/WindowPause.h"
#include "schedule/Schedule.h"
#include "schedule/ScheduleTarget.h"

class MainView;
class Scheduler;

// The application window's behaviour, with no toolkit: it owns every piece of lasting state (the
// ramps and offsets, the settings location, the mode, the colour, the slider positions, the hover
// looks, the notification icon) and tells its view what to show. The process ends when it
// unloads.
//
// Handlers keep the design's names (`Form_Load`, `HScrollRed_Change`, `picMini_Click`), so the
// behaviour can be read against the design control by control; the views of every platform and
// every other caller (scripts, the schedule) call them.
class frmMain : public PickerOwner, public ScheduleTarget {
  public:
    using Slider = frmMainLayout::Slider;

    explicit frmMain(Platform& platform);
    ~frmMain();
    frmMain(const frmMain&) = delete;
    frmMain& operator=(const frmMain&) = delete;

    // The view that shows this form. It shows the state as created; the form then tells it every
    // change. Without a view the form runs unseen.
    void attach(MainView& view);
    void detach();

    // Called once, when the form has unloaded: the process is to end.
    std::function<void()> onUnloaded;

    // ---- State others read -----------------------------------------------------------------
    // True while night mode is on (the switch says "ON").
    bool modeOn() const { return isModeOn; }
    // The tint colour: the swatch `picColor` shows it, the mode switch and the unload read it.
    BgrColor color() const { return picColor; }
    // A slider's position, 0..40; position p stands for the channel offset p - 40.
    int position(Slider slider) const { return positions_[static_cast<std::size_t>(slider)]; }
    // The number shown beside a slider (it can differ from the position only inside the load).
    int valueShown(Slider slider) const { return shownValues_[static_cast<std::size_t>(slider)]; }
    // The check marks of the menu items Night and Normal: the kind of ramp written last.
    bool nightChecked() const { return nightChecked_; }
    bool normalChecked() const { return normalChecked_; }
    // The hover looks: the title buttons' focus pictures and the link's blue.
    bool miniLit() const { return miniLit_; }
    bool closeLit() const { return closeLit_; }
    bool linkLit() const { return linkLit_; }
    // Whether the window is on the screen in its normal state (neither put away nor minimised).
    bool windowShown() const { return shown_ == Shown::Normal; }
    bool unloaded() const { return unloaded_; }
    const GammaEngine& engine() const { return engine_; }
    // The tray menu's monitors submenu: every named lit output while two or more are lit, else
    // nothing (the submenu is not shown).
    const std::vector<MonitorItem>& monitors() const { return monitors_; }
    // The menu item Automatic: checked while the schedule runs, greyed while none is set.
    bool automaticChecked() const { return automaticChecked_; }
    bool automaticEnabled() const { return automaticEnabled_; }
    // The schedule's settings, as the settings file keeps them; null on a platform without a
    // clock and an alarm.
    const Scheduler* scheduler() const { return scheduler_.get(); }

    // The settings file's folder, filled by the load.
    std::string WinPath;
    // Called once a change of the mode, colour, sliders, schedule or untinted outputs is
    // complete, whatever
    // started it.
    std::function<void()> changed;

    // ---- The design's public procedures ---------------------------------------------------
    void SetGamma(std::int16_t intRed, std::int16_t intGreen, std::int16_t intBlue);
    void SetDefault();
    void SaveGamma();
    // Writes the remembered ramp back with no tint.
    void RestoreGamma();
    void switchClick();
    void SetScreenByColor(BgrColor colr);
    void Sys_Tray();

    // The load sequence. Returns false when another instance runs: the process must end at once.
    bool Form_Load();
    // Shows the window unless the load sequence put it away (hidden, or minimised without a tray).
    void showAfterLoad();
    // Unloads the window: runs the unload sequence once, then calls onUnloaded.
    void Unload();
    // The machine woke from suspend: the drivers may have reset the outputs' tables.
    void resumed();

    // The schedule and its fade (0..3600 s), set by the user: taken at once and kept in the
    // settings file. Setting a schedule turns Automatic on; "off" leaves it as it is. Nothing
    // happens without a scheduler.
    void setSchedule(const Schedule& schedule);
    void setFadeSeconds(int seconds);

    // A slider moved to `position` (by the user or a script): the same assignment the form's own
    // code makes, so its change handler runs when the position is new.
    void moveSlider(Slider slider, int position);

    // ---- Handlers, by their design names ---------------------------------------------------
    void Form_Unload();
    // The window manager minimised the window (`minimised`) or brought it back.
    void Form_Resize(bool minimised);
    // A pointer move over the window's own background; buttons and position do not matter.
    void Form_MouseMove();
    void trayIcon_Click(NotifyIcon::Click click);
    void HScroll1_Change();
    void HScrollRed_Change();
    void HScrollGreen_Change();
    void HScrollBlue_Change();
    void lbSwitch_Click() { switchClick(); }
    void picSwitch_Click() { switchClick(); }
    void mnuNight_Click();
    void mnuNormal_Click();
    // Turns the schedule on or off; nothing while no schedule is set.
    void mnuAuto_Click();
    void mnuExit_Click() { Unload(); }
    // An item of the monitors submenu chosen: that output is tinted again, or left untinted.
    void mnuMonitor_Click(std::size_t index);
    // From scripts: what an item of the monitors submenu does, by the output's name, which need
    // not be lit now (it is remembered for when it is); and the whole set of untinted names.
    void setOutputTinted(const std::string& name, bool tinted);
    void setUntintedOutputs(const std::set<std::string>& names);
    const std::set<std::string>& untintedOutputs() const { return engine_.untinted(); }
    // The menu item "Pause in full screen": the choice turned over.
    void mnuPauseFull_Click();
    // The pause choices, from scripts: taken at once and kept in the settings file.
    void setPauseChoices(pausing::Choices choices);
    const pausing::Choices& pauseChoices() const { return pause_.choices(); }
    // The outputs the active window pauses now, by name; why no window can be followed here.
    const std::set<std::string>& pausedOutputs() const { return pause_.paused(); }
    std::string pauseUnavailable() const { return pause_.unavailable(); }
    void picColor_Click();
    void lbSetting_Click() { picColor_Click(); }
    void picMini_Click();
    void picMini_MouseMove();
    void picCls_Click() { Unload(); }
    void picCls_MouseMove();
    void picTopbar_MouseMove();
    void picTopbar_MouseDown(int Button);
    void lbTitle_MouseDown(int Button);
    void lbWeibo_MouseMove();
    void lbWeibo_Click();
    // The picker's hand-back.
    void picker_SwatchPicked(BgrColor color) override;
    void picker_Confirmed() override;

    // What the schedule drives: the menu's own switches, and the fade's ramps between them.
    bool nightOn() const override { return isModeOn; }
    void switchToNight() override { mnuNight_Click(); }
    void switchToNormal() override { mnuNormal_Click(); }
    void writeBlend(bool toNight, double progress) override;

    // The address the link label opens.
    static const char* const kHelpUrl;
    // The monitors submenu's caption.
    static const char* const kMonitorsCaption;

  private:
    enum class Shown { NotYet, Normal, Minimised, PutAway };

    // The one place slider positions change: see its definition.
    void assign(Slider slider, int position);
    void ApplyColorSliders();
    void applySliderOffsets(int red, int green, int blue);
    void showColor(BgrColor colour);
    void checkMenu(bool night, bool normal);
    void checkNight() { checkMenu(true, false); }
    void showAutomatic();
    void keepSchedule();
    void keepColor();
    void dragRule(int Button);
    void showSliderValue(Slider slider);
    // The engine's lit outputs or untinted names changed: the submenu follows, the names are kept.
    void monitorsChanged();
    // Says once, in a message and on stderr, that this display takes no ramps.
    void reportRefusal();
    // Pausing for the active window: the kept choices taken and the window followed, at load.
    void startPause();
    void changePause(pausing::Choices choices, bool fromMenu);
    void showPause();
    // A message with `caption` over `what` (English, a clause without its full stop), and `what`
    // on stderr after "dimwarden: ".
    void tell(const std::string& caption, const std::string& what);

    Platform& platform_;
    GammaEngine engine_;
    WindowPause pause_;
    MainView* view_ = nullptr;

    bool isModeOn = false;
    BgrColor picColor;
    std::array<int, 4> positions_{};
    std::array<int, 4> shownValues_{};
    bool nightChecked_ = true;
    bool normalChecked_ = true;
    bool miniLit_ = false;
    bool closeLit_ = false;
    bool linkLit_ = false;
    Shown shown_ = Shown::NotYet;

    bool unloaded_ = false;
    bool loading_ = false;
    bool putAwayByLoad_ = false;
    // Handlers that the one being run set off by moving sliders; only the outermost keeps the
    // colour, once the whole change is done.
    int changeDepth_ = 0;
    std::optional<BgrColor> keptColor_;
    bool refusalReported_ = false;
    std::vector<MonitorItem> monitors_;
    // The untinted names as the settings file holds them.
    std::set<std::string> keptUntinted_;
    // The untinted names as `changed` last reported them.
    std::set<std::string> reportedUntinted_;

    // What has been said of pause choices that cannot act here: on stderr, in a message.
    bool pauseToldStderr_ = false;
    bool pauseToldMessage_ = false;

    std::unique_ptr<Scheduler> scheduler_;
    bool automaticChecked_ = false;
    bool automaticEnabled_ = false;
};
