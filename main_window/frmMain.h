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
#include "main_window/frmMainServices.h"

class MainView;

// The application window's behaviour, with no toolkit: it owns every piece of lasting state (the
// ramps and offsets, the settings location, the mode, the colour, the slider positions, the hover
// looks, the notification icon) and tells its view what to show. The process ends when it
// unloads.
//
// Handlers keep the design's names (`Form_Load`, `HScrollRed_Change`, `picMini_Click`), so the
// behaviour can be read against the design control by control; the views of every platform and
// every other caller (scripts, the schedule) call them. What is not the window (the schedule,
// the monitors submenu, the other settings sections, the messages) is frmMainServices'.
class frmMain : public PickerOwner {
  public:
    using Slider = frmMainLayout::Slider;

    explicit frmMain(Platform& platform);
    ~frmMain();
    frmMain(const frmMain&) = delete;
    frmMain& operator=(const frmMain&) = delete;

    // The view that shows this form. Attached before the load, it shows the state as created and
    // the form then tells it every change; attached after the load, it is first told the state
    // the load left (and any message said meanwhile). Without a view the form runs unseen.
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
    // The schedule, the monitors and the messages beside the window.
    frmMainServices& services() { return services_; }
    const frmMainServices& services() const { return services_; }
    // The window's caption, which its messages carry too.
    static const std::string& title();

    // The settings file's folder, filled by the load.
    std::string WinPath;
    // Called once a change of the mode, colour, sliders, schedule or untinted outputs is
    // complete, whatever started it.
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
    // A run of changes from outside (a burst of commands) handled as one: every handler runs and
    // the window follows, but the display and the kept colour take only the run's last tint,
    // when it is released. The unload releases it first.
    void holdEffects();
    void releaseEffects();

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
    // Start at login turned the other way from what the system holds now; a refusal is said.
    void mnuAutostart_Click();
    // An item of the monitors submenu chosen: that output is tinted again, or left untinted.
    void mnuMonitor_Click(std::size_t index);
    // The menu item "Pause in full screen": the choice turned over.
    void mnuPauseFull_Click() { services_.togglePauseFullscreen(); }
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

    // The address the link label opens.
    static const char* const kHelpUrl;
    // The monitors submenu's caption.
    static const char* const kMonitorsCaption;

  private:
    friend class frmMainServices;
    enum class Shown { NotYet, Normal, Minimised, PutAway };

    // The one place slider positions change: see its definition.
    void assign(Slider slider, int position);
    void ApplyColorSliders();
    void applySliderOffsets(int red, int green, int blue);
    void showColor(BgrColor colour);
    void checkMenu(bool night, bool normal);
    void checkNight() { checkMenu(true, false); }
    void keepColor();
    void dragRule(int Button);
    void showSliderValue(Slider slider);

    class Unseen;

    Platform& platform_;
    GammaEngine engine_;
    std::unique_ptr<Unseen> unseen_;
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
    // The load ran with no view attached.
    bool loadedUnseen_ = false;
    // Handlers that the one being run set off by moving sliders; only the outermost keeps the
    // colour, once the whole change is done.
    int changeDepth_ = 0;
    std::optional<BgrColor> keptColor_;
    bool holding_ = false;
    bool colorHeld_ = false;  // a colour change waits for the release to be kept

    // Last: it hooks into the engine and the view, which must be there first.
    frmMainServices services_;
};
