#include "main_window/frmMainServices.h"

#include <cctype>
#include <cstdio>
#include <utility>

#include "main_window/Autostart.h"
#include "main_window/frmMain.h"
#include "schedule/Scheduler.h"
#include "settings/ScheduleSetting.h"
#include "settings/UntintedOutputs.h"

frmMainServices::frmMainServices(frmMain& form, Platform& platform)
    : form_(form),
      platform_(platform),
      pause_(form.engine_, platform.activeWindow, platform.clock) {
    if (platform_.clock != nullptr && platform_.alarm != nullptr) {
        scheduler_ = std::make_unique<Scheduler>(*this, *platform_.clock, *platform_.alarm);
    }
    form_.engine_.onMonitorsChanged = [this] { monitorsChanged(); };
    platform_.display.onRefused = [this] { reportPartialRefusal(); };
}

frmMainServices::~frmMainServices() {
    scheduler_.reset();
    form_.engine_.onMonitorsChanged = nullptr;
    platform_.display.onRefused = nullptr;
}

void frmMainServices::reportChange() {
    if (form_.changed) {
        form_.changed();
    }
}

// ---- Start at login ----------------------------------------------------------------------------

bool frmMainServices::autostart() const {
    return platform_.autostart != nullptr && platform_.autostart->enabled();
}

std::string frmMainServices::setAutostart(bool on) {
    if (platform_.autostart == nullptr) {
        return "this system has no way to start programs at login";
    }
    const bool before = autostart();
    std::string why = platform_.autostart->set(on);
    showAutostart();
    if (autostart() != before) {
        reportChange();
    }
    return why;
}

void frmMainServices::toggleAutostart() {
    const bool on = !autostart();
    if (const std::string why = setAutostart(on); !why.empty()) {
        tell(on ? "无法设置开机启动。" : "无法取消开机启动。", why);
    }
}

void frmMainServices::showAutostart() {
    form_.view_->showAutostart(autostart());
}

// ---- Load, resume, unload -------------------------------------------------------------------

void frmMainServices::loadUntinted() {
    form_.engine_.setUntinted(settings::LoadUntintedOutputs(platform_.profile, form_.WinPath));
    keptUntinted_ = form_.engine_.untinted();
    reportedUntinted_ = keptUntinted_;
}

void frmMainServices::loaded() {
    if (!form_.engine_.accepted()) {
        reportRefusal();
    } else if (const std::string notice = platform_.display.notice(); !notice.empty()) {
        tell("另一个程序也在改变屏幕颜色，会与夜间模式相互抵消。", notice);
    }
    if (scheduler_) {
        const settings::ScheduleSetting kept =
            settings::LoadScheduleSetting(platform_.profile, form_.WinPath);
        scheduler_->setSchedule(kept.schedule);
        scheduler_->setFadeSeconds(kept.fadeSeconds);
        scheduler_->setAutomatic(kept.automatic);
        scheduler_->start();
    }
    showAutomatic();
    if (partialRefusalPending_ && form_.engine_.accepted()) {
        reportPartialRefusal();
    }
    partialRefusalPending_ = false;
    startPause();
}

void frmMainServices::resumed() {
    if (scheduler_) {
        scheduler_->clockChanged();
    }
}

void frmMainServices::handSwitched() {
    if (scheduler_) {
        scheduler_->handSwitched();
    }
}

void frmMainServices::unloading() {
    scheduler_.reset();
    // Nor may a window event.
    pause_.stop();
}

// ---- Messages -------------------------------------------------------------------------------

void frmMainServices::reportRefusal() {
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

void frmMainServices::reportPartialRefusal() {
    if (form_.loading_) {
        partialRefusalPending_ = true;
        return;
    }
    tell("Windows 拒绝了这个屏幕颜色，较暗的位置不会生效。", platform_.display.refusal());
}

void frmMainServices::tell(const std::string& caption, const std::string& what) {
    std::fprintf(stderr, "dimwarden: %s\n", what.c_str());
    std::string sentence = what;
    if (!sentence.empty()) {
        sentence[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(sentence[0])));
    }
    form_.view_->sayMessage(frmMain::title(), caption + "\n[" + sentence + ".]");
}

// ---- Schedule -------------------------------------------------------------------------------

bool frmMainServices::nightOn() const {
    return form_.modeOn();
}

void frmMainServices::switchToNight() {
    form_.mnuNight_Click();
}

void frmMainServices::switchToNormal() {
    form_.mnuNormal_Click();
}

void frmMainServices::writeBlend(bool toNight, double progress) {
    form_.engine_.SetBlend(
        toNight ? GammaEngine::Request::night(form_.color()) : GammaEngine::Request::base(),
        progress);
}

void frmMainServices::toggleAutomatic() {
    if (!scheduler_ || !scheduler_->schedule().isSet() || form_.unloaded()) {
        return;
    }
    scheduler_->setAutomatic(!scheduler_->automatic());
    showAutomatic();
    keepSchedule();
}

void frmMainServices::setSchedule(const Schedule& schedule) {
    if (!scheduler_ || form_.unloaded()) {
        return;
    }
    scheduler_->setSchedule(schedule);
    if (schedule.isSet()) {
        scheduler_->setAutomatic(true);
    }
    showAutomatic();
    keepSchedule();
}

void frmMainServices::setFadeSeconds(int seconds) {
    if (!scheduler_ || form_.unloaded()) {
        return;
    }
    scheduler_->setFadeSeconds(seconds);
    keepSchedule();
}

// Kept at once, like the colour (or at the end of a held run), and reported as any completed
// change is.
void frmMainServices::keepSchedule() {
    if (form_.holding_) {
        scheduleHeld_ = true;
    } else {
        saveSchedule();
    }
    reportChange();
}

void frmMainServices::saveSchedule() {
    settings::SaveScheduleSetting(
        platform_.profile, form_.WinPath,
        {scheduler_->schedule(), scheduler_->fadeSeconds(), scheduler_->automatic()});
}

void frmMainServices::releaseEffects() {
    if (std::exchange(scheduleHeld_, false) && scheduler_) {
        saveSchedule();
    }
    keepUntinted();
    if (std::exchange(pauseHeld_, false)) {
        keepPause();
    }
}

void frmMainServices::showAutomatic() {
    automaticEnabled_ = scheduler_ && scheduler_->schedule().isSet();
    automaticChecked_ = scheduler_ && scheduler_->active();
    form_.view_->showAutomatic(automaticChecked_, automaticEnabled_);
}

void frmMainServices::showTo(MainView& view) const {
    view.showAutomatic(automaticChecked_, automaticEnabled_);
    if (!monitors_.empty()) {
        view.showMonitors(monitors_);
    }
}

// ---- Monitors -------------------------------------------------------------------------------

void frmMainServices::chooseMonitor(std::size_t index) {
    if (index < monitors_.size()) {
        const MonitorItem item = monitors_[index];
        setOutputTinted(item.name, !item.tinted);
    }
}

void frmMainServices::setOutputTinted(const std::string& name, bool tinted) {
    // Once unloaded every output keeps its base, whatever comes late.
    if (!form_.unloaded()) {
        form_.engine_.setTinted(name, tinted);
    }
}

void frmMainServices::setUntintedOutputs(const std::set<std::string>& names) {
    if (!form_.unloaded()) {
        form_.engine_.setUntinted(names);
    }
}

const std::set<std::string>& frmMainServices::untintedOutputs() const {
    return form_.engine_.untinted();
}

void frmMainServices::monitorsChanged() {
    GammaEngine& engine = form_.engine_;
    std::vector<MonitorItem> items;
    const std::vector<GammaEngine::LitOutput> lit = engine.litOutputs();
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
        form_.view_->showMonitors(monitors_);
    }
    keepUntinted();
    if (!form_.loading_ && engine.untinted() != reportedUntinted_) {
        reportedUntinted_ = engine.untinted();
        reportChange();
    }
}

// Kept at once, like the colour (or at the end of a held run): a crash or a lost session keeps
// the choice. A failed write is tried again at the next change.
void frmMainServices::keepUntinted() {
    const std::set<std::string>& names = form_.engine_.untinted();
    if (!form_.loading_ && !form_.holding_ && names != keptUntinted_ &&
        settings::SaveUntintedOutputs(platform_.profile, form_.WinPath, names)) {
        keptUntinted_ = names;
    }
}
