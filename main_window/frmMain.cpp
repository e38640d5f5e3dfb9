#include "main_window/frmMain.h"

#include <utility>

#include "forms/WindowDrag.h"
#include "gamma/TintMapping.h"
#include "main_window/MainView.h"
#include "main_window/SingleInstance.h"
#include "main_window/UrlOpener.h"
#include "settings/ColorSetting.h"

const char* const frmMain::kHelpUrl = "https://dimwarden.invalid/help";
const char* const frmMain::kMonitorsCaption = "显示器 [Monitors]";

namespace {

const char* const kTrayTip = "澄岚电脑夜间模式工具";

using frmMainLayout::Id;

const layout::Control& control(Id id) {
    return frmMainLayout::kControls[static_cast<std::size_t>(frmMainLayout::index(id))];
}

}  // namespace

// Stands in while no view is attached: the form runs, nothing is shown.
class frmMain::Unseen : public MainView {
  public:
    NativeWindow nativeWindow() const override { return 0; }
    void showSlider(Slider, int) override {}
    void showSliderValue(Slider, int) override {}
    void showColor(BgrColor) override {}
    void showSwitch(bool) override {}
    void showMenuChecks(bool, bool) override {}
    void showMonitors(const std::vector<MonitorItem>&) override {}
    void showAutomatic(bool, bool) override {}
    void showPauseFullscreen(bool, bool, const std::string&) override {}
    void showAutostart(bool) override {}
    void showMiniLit(bool) override {}
    void showCloseLit(bool) override {}
    void showLinkLit(bool) override {}
    void showWindow() override {}
    void putAway() override {}
    void minimise() override {}
    void restore() override {}
    void closeWindow() override {}
    void openMenu() override {}
    void openPicker(frmColor&) override {}
    // Held for the view that comes later: a refusal found by the load is still seen.
    void sayMessage(const std::string& title, const std::string& text) override {
        held.push_back({title, text});
    }
    void followPointer() override {}
    void letPendingEventsRun() override {}

    std::vector<std::pair<std::string, std::string>> held;
};

frmMain::frmMain(Platform& platform)
    : platform_(platform),
      engine_(platform.display, platform.journal),
      unseen_(std::make_unique<Unseen>()),
      view_(unseen_.get()),
      picColor(control(Id::picColor).back),
      nightChecked_(control(Id::mnuNight).checked),
      normalChecked_(control(Id::mnuNormal).checked),
      services_(*this, platform) {
    positions_.fill(tint::kMaxPosition);
    platform_.tray.onClick = [this](NotifyIcon::Click click) { trayIcon_Click(click); };
}

frmMain::~frmMain() {
    platform_.tray.onClick = nullptr;
}

const std::string& frmMain::title() {
    static const std::string caption = control(Id::lbTitle).caption;
    return caption;
}

void frmMain::attach(MainView& view) {
    view_ = &view;
    if (shown_ == Shown::NotYet && !loadedUnseen_) {
        return;  // attached before the load: it is told everything as it happens
    }
    // Attached after the load (the window is built once the screen is tinted): it is told the
    // state that the load set, in the order the load tells it.
    for (Slider s : frmMainLayout::kSliders) {
        view.showSlider(s, position(s));
        view.showSliderValue(s, valueShown(s));
    }
    view.showColor(picColor);
    view.showSwitch(isModeOn);
    view.showMenuChecks(nightChecked_, normalChecked_);
    services_.showTo(view);
    if (shown_ == Shown::PutAway && !platform_.tray.available()) {
        // Whether there is a notification area may only be known now: without one, the taskbar.
        shown_ = Shown::Minimised;
    }
    if (shown_ == Shown::PutAway) {
        view.putAway();
    } else if (shown_ == Shown::Minimised) {
        view.minimise();
    }
    for (const auto& [title, text] : unseen_->held) {
        view.sayMessage(title, text);
    }
    unseen_->held.clear();
}

void frmMain::detach() {
    view_ = unseen_.get();
}

// ---- Start and exit -------------------------------------------------------------------------

bool frmMain::Form_Load() {
    isModeOn = true;
    if (platform_.instance.anotherRunning()) {
        return false;
    }
    loading_ = true;

    const settings::LoadedColor loaded =
        settings::LoadColorSetting(platform_.profile, platform_.settingsDir, WinPath);
    BgrColor color = settings::DefaultTintColor;
    if (loaded.found) {
        Sys_Tray();
        color = loaded.color;
        keptColor_ = color;
    }
    services_.loadUntinted();
    showSliderValue(Slider::HScroll1);
    SaveGamma();
    showColor(color);
    SetScreenByColor(picColor);
    showSliderValue(Slider::HScrollRed);
    showSliderValue(Slider::HScrollGreen);
    showSliderValue(Slider::HScrollBlue);
    const int red = position(Slider::HScrollRed);
    if (red == position(Slider::HScrollGreen) && red == position(Slider::HScrollBlue)) {
        assign(Slider::HScroll1, red);
    }

    loading_ = false;
    loadedUnseen_ = view_ == unseen_.get();
    // The schedule comes after the load, which always starts in night mode.
    services_.loaded();
    return true;
}

void frmMain::resumed() {
    engine_.reapply();
    services_.resumed();
}

void frmMain::showAfterLoad() {
    if (!putAwayByLoad_) {
        shown_ = Shown::Normal;
        view_->showWindow();
    }
}

void frmMain::Form_Unload() {
    SetDefault();
    engine_.closeJournal();
    settings::SaveColorSetting(platform_.profile, WinPath, picColor);
    platform_.tray.remove();
}

// Each completed change is kept at once, with the same atomic write as the unload, so a lost
// session or a crash keeps the user's last colour. Unchanged colours are not written again.
void frmMain::keepColor() {
    if (loading_ || unloaded_ || changeDepth_ > 0) {
        return;
    }
    if (holding_) {
        colorHeld_ = colorHeld_ || picColor != keptColor_;
    } else if (picColor != keptColor_ &&
               settings::SaveColorSetting(platform_.profile, WinPath, picColor)) {
        keptColor_ = picColor;
    }
    if (changed) {
        changed();
    }
}

void frmMain::holdEffects() {
    if (unloaded_) {
        return;
    }
    holding_ = true;
    engine_.hold();
}

void frmMain::releaseEffects() {
    if (!holding_) {
        return;
    }
    holding_ = false;
    engine_.release();
    services_.releaseEffects();
    if (std::exchange(colorHeld_, false) && picColor != keptColor_ &&
        settings::SaveColorSetting(platform_.profile, WinPath, picColor)) {
        keptColor_ = picColor;
    }
}

void frmMain::Unload() {
    if (unloaded_) {
        return;
    }
    releaseEffects();
    unloaded_ = true;
    services_.unloading();
    Form_Unload();
    view_->closeWindow();
    if (onUnloaded) {
        onUnloaded();
    }
}

// ---- Modes ------------------------------------------------------------------------------------

void frmMain::switchClick() {
    if (isModeOn) {
        isModeOn = false;
        view_->showSwitch(false);
        SetDefault();
        SaveGamma();
        keepColor();
    } else {
        isModeOn = true;
        view_->showSwitch(true);
        SetScreenByColor(picColor);
    }
    // Every switch by hand (window, menu, picker, commands) ends up here; the scheduler tells its
    // own switches apart.
    services_.handSwitched();
}

void frmMain::mnuNight_Click() {
    isModeOn = false;
    switchClick();
}

void frmMain::mnuNormal_Click() {
    isModeOn = true;
    switchClick();
}

// ---- Schedule ---------------------------------------------------------------------------------

void frmMain::mnuAuto_Click() {
    services_.toggleAutomatic();
}

void frmMain::mnuAutostart_Click() {
    services_.toggleAutostart();
}

void frmMain::picColor_Click() {
    // Built afresh for every opening, so nothing of an earlier one (the marker) survives.
    frmColor picker(*this, platform_.drag);
    view_->openPicker(picker);
}

void frmMain::picker_SwatchPicked(BgrColor color) {
    showColor(color);
    // The swatch's colour is the one the tint is taken from.
    SetScreenByColor(picColor);
}

void frmMain::picker_Confirmed() {
    // Cleared first so that the switch always turns night mode on.
    isModeOn = false;
    switchClick();
}

// ---- Notification area ------------------------------------------------------------------------

void frmMain::Sys_Tray() {
    platform_.tray.add(kTrayTip);
    if (platform_.tray.available()) {
        shown_ = Shown::PutAway;
        view_->putAway();
    } else if (shown_ != Shown::Minimised) {
        // With no notification area a hidden window could not be reached again while the screen
        // stays tinted, so it goes to the taskbar instead.
        shown_ = Shown::Minimised;
        view_->minimise();
    }
    if (loading_) {
        putAwayByLoad_ = true;
    }
}

void frmMain::Form_Resize(bool minimised) {
    if (!minimised) {
        if (shown_ == Shown::Minimised) {
            shown_ = Shown::Normal;
        }
        return;
    }
    shown_ = Shown::Minimised;
    Sys_Tray();
}

void frmMain::Form_MouseMove() {
    linkLit_ = false;
    view_->showLinkLit(false);
}

void frmMain::trayIcon_Click(NotifyIcon::Click click) {
    // The icon's events reach the window as its own pointer moves do.
    Form_MouseMove();
    // A window minimised to the taskbar counts as put away too, so the icon can still bring it
    // back.
    if (shown_ == Shown::Normal) {
        return;
    }
    switch (click) {
        case NotifyIcon::Click::LeftPress:
            shown_ = Shown::Normal;
            view_->restore();
            break;
        case NotifyIcon::Click::RightPress:
            services_.showAutostart();
            view_->openMenu();
            break;
        case NotifyIcon::Click::DoubleClick:
        case NotifyIcon::Click::MiddlePress:
            break;
    }
}

void frmMain::picMini_Click() {
    // Straight into the notification area rather than through the window manager's iconify: an
    // iconify still on its way when the window is hidden would land after a later restore and
    // put the window away again.
    Sys_Tray();
    miniLit_ = false;
    view_->showMiniLit(false);
}

void frmMain::picMini_MouseMove() {
    miniLit_ = true;
    view_->showMiniLit(true);
}

// ---- Monitors ---------------------------------------------------------------------------------

void frmMain::mnuMonitor_Click(std::size_t index) {
    services_.chooseMonitor(index);
}

// ---- Title strip and link ---------------------------------------------------------------------

void frmMain::picCls_MouseMove() {
    closeLit_ = true;
    view_->showCloseLit(true);
}

void frmMain::picTopbar_MouseMove() {
    closeLit_ = false;
    view_->showCloseLit(false);
    miniLit_ = false;
    view_->showMiniLit(false);
}

void frmMain::picTopbar_MouseDown(int Button) {
    dragRule(Button);
}

void frmMain::lbTitle_MouseDown(int Button) {
    dragRule(Button);
}

// Only the left button moves the window; the window manager does it where it will.
void frmMain::dragRule(int Button) {
    if (Button == 1 && !platform_.drag.startMove(view_->nativeWindow())) {
        view_->followPointer();
    }
}

void frmMain::lbWeibo_MouseMove() {
    linkLit_ = true;
    view_->showLinkLit(true);
}

void frmMain::lbWeibo_Click() {
    view_->letPendingEventsRun();
    platform_.url.open(kHelpUrl);  // a failure changes nothing
}
