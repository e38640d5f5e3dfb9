#include "main_window/frmMain.h"

#include <cctype>
#include <cstdio>

#include "forms/WindowDrag.h"
#include "gamma/TintMapping.h"
#include "main_window/MainView.h"
#include "main_window/SingleInstance.h"
#include "main_window/UrlOpener.h"
#include "schedule/Scheduler.h"
#include "settings/ColorSetting.h"
#include "settings/ScheduleSetting.h"
#include "settings/UntintedOutputs.h"

const char* const frmMain::kHelpUrl = "https://dimwarden.invalid/help";
const char* const frmMain::kMonitorsCaption = "显示器 [Monitors]";

namespace {

const char* const kTrayTip = "澄岚电脑夜间模式工具";

using frmMainLayout::Id;

const layout::Control& control(Id id) {
    return frmMainLayout::kControls[static_cast<std::size_t>(frmMainLayout::index(id))];
}

// Stands in while no view is attached: the form runs, nothing is shown.
class Unseen : public MainView {
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
    void sayMessage(const std::string&, const std::string&) override {}
    void followPointer() override {}
    void letPendingEventsRun() override {}
};
Unseen unseen;

}  // namespace

frmMain::frmMain(Platform& platform)
    : platform_(platform),
      engine_(platform.display, platform.journal),
      pause_(engine_, platform.activeWindow, platform.clock),
      view_(&unseen),
      picColor(control(Id::picColor).back),
      nightChecked_(control(Id::mnuNight).checked),
      normalChecked_(control(Id::mnuNormal).checked) {
    positions_.fill(tint::kMaxPosition);
    if (platform_.clock != nullptr && platform_.alarm != nullptr) {
        scheduler_ = std::make_unique<Scheduler>(*this, *platform_.clock, *platform_.alarm);
    }
    platform_.tray.onClick = [this](NotifyIcon::Click click) { trayIcon_Click(click); };
    engine_.onMonitorsChanged = [this] { monitorsChanged(); };
}

frmMain::~frmMain() {
    scheduler_.reset();
    platform_.tray.onClick = nullptr;
    engine_.onMonitorsChanged = nullptr;
}

void frmMain::attach(MainView& view) {
    view_ = &view;
}

void frmMain::detach() {
    view_ = &unseen;
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
    // Before the first ramps are read and written, so an untinted output is never tinted.
    engine_.setUntinted(settings::LoadUntintedOutputs(platform_.profile, WinPath));
    keptUntinted_ = engine_.untinted();
    reportedUntinted_ = keptUntinted_;
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
    if (!engine_.accepted()) {
        reportRefusal();
    } else if (const std::string notice = platform_.display.notice(); !notice.empty()) {
        tell("另一个程序也在改变屏幕颜色，会与夜间模式相互抵消。", notice);
    }

    // The schedule comes after the load, which always starts in night mode: a schedule that
    // wants the day switches to normal at once, with no fade.
    if (scheduler_) {
        const settings::ScheduleSetting kept =
            settings::LoadScheduleSetting(platform_.profile, WinPath);
        scheduler_->setSchedule(kept.schedule);
        scheduler_->setFadeSeconds(kept.fadeSeconds);
        scheduler_->setAutomatic(kept.automatic);
        scheduler_->start();
    }
    showAutomatic();
    startPause();
    return true;
}

void frmMain::reportRefusal() {
    if (refusalReported_) {
        return;
    }
    refusalReported_ = true;
    std::string why = platform_.display.refusal();
    if (why.empty()) {
        why = "no output accepted a gamma ramp";
    }
    tell("此显示不允许程序改变屏幕颜色，夜间模式不会生效。",
         "this display does not let programs change the screen's colours: " + why);
}

void frmMain::tell(const std::string& caption, const std::string& what) {
    std::fprintf(stderr, "dimwarden: %s\n", what.c_str());
    std::string sentence = what;
    if (!sentence.empty()) {
        sentence[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(sentence[0])));
    }
    view_->sayMessage(control(Id::lbTitle).caption, caption + "\n[" + sentence + ".]");
}

void frmMain::resumed() {
    engine_.reapply();
    // Hours may have passed: the schedule takes the mode it wants now.
    if (scheduler_) {
        scheduler_->clockChanged();
    }
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
    if (picColor != keptColor_ &&
        settings::SaveColorSetting(platform_.profile, WinPath, picColor)) {
        keptColor_ = picColor;
    }
    if (changed) {
        changed();
    }
}

void frmMain::Unload() {
    if (unloaded_) {
        return;
    }
    unloaded_ = true;
    // No scheduled change, fade step or window event may come after the base ramps are back.
    scheduler_.reset();
    pause_.stop();
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
    if (scheduler_) {
        scheduler_->handSwitched();
    }
}

void frmMain::mnuNight_Click() {
    isModeOn = false;
    switchClick();
}

void frmMain::mnuNormal_Click() {
    isModeOn = true;
    switchClick();
}

void frmMain::writeBlend(bool toNight, double progress) {
    engine_.SetBlend(toNight ? GammaEngine::Request::night(picColor) : GammaEngine::Request::base(),
                     progress);
}

// ---- Schedule ---------------------------------------------------------------------------------

void frmMain::mnuAuto_Click() {
    if (!scheduler_ || !scheduler_->schedule().isSet() || unloaded_) {
        return;
    }
    scheduler_->setAutomatic(!scheduler_->automatic());
    showAutomatic();
    keepSchedule();
}

void frmMain::setSchedule(const Schedule& schedule) {
    if (!scheduler_ || unloaded_) {
        return;
    }
    scheduler_->setSchedule(schedule);
    if (schedule.isSet()) {
        scheduler_->setAutomatic(true);
    }
    showAutomatic();
    keepSchedule();
}

void frmMain::setFadeSeconds(int seconds) {
    if (!scheduler_ || unloaded_) {
        return;
    }
    scheduler_->setFadeSeconds(seconds);
    keepSchedule();
}

// Kept at once, like the colour, and reported as any completed change is.
void frmMain::keepSchedule() {
    settings::SaveScheduleSetting(
        platform_.profile, WinPath,
        {scheduler_->schedule(), scheduler_->fadeSeconds(), scheduler_->automatic()});
    if (changed) {
        changed();
    }
}

void frmMain::showAutomatic() {
    automaticEnabled_ = scheduler_ && scheduler_->schedule().isSet();
    automaticChecked_ = scheduler_ && scheduler_->active();
    view_->showAutomatic(automaticChecked_, automaticEnabled_);
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
    if (index < monitors_.size()) {
        const MonitorItem item = monitors_[index];
        setOutputTinted(item.name, !item.tinted);
    }
}

void frmMain::setOutputTinted(const std::string& name, bool tinted) {
    // Once unloaded every output keeps its base, whatever comes late.
    if (!unloaded_) {
        engine_.setTinted(name, tinted);
    }
}

void frmMain::setUntintedOutputs(const std::set<std::string>& names) {
    if (!unloaded_) {
        engine_.setUntinted(names);
    }
}

void frmMain::monitorsChanged() {
    std::vector<MonitorItem> items;
    const std::vector<GammaEngine::LitOutput> lit = engine_.litOutputs();
    if (lit.size() >= 2) {
        for (const GammaEngine::LitOutput& o : lit) {
            // An output without a name could not be remembered, so it is not offered.
            if (!o.name.empty()) {
                items.push_back({o.name, o.tinted});
            }
        }
    }
    if (items != monitors_) {
        monitors_ = std::move(items);
        view_->showMonitors(monitors_);
    }
    // Kept at once, like the colour: a crash or a lost session keeps the choice. A failed write
    // is tried again at the next change.
    if (!loading_ && engine_.untinted() != keptUntinted_ &&
        settings::SaveUntintedOutputs(platform_.profile, WinPath, engine_.untinted())) {
        keptUntinted_ = engine_.untinted();
    }
    if (!loading_ && engine_.untinted() != reportedUntinted_) {
        reportedUntinted_ = engine_.untinted();
        if (changed) {
            changed();
        }
    }
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
