// Pausing the tint for the active window: the kept choices, the menu item, and saying once where
// no window can be followed.
#include <cstdio>
#include <string>
#include <utility>

#include "main_window/frmMain.h"
#include "main_window/frmMainServices.h"
#include "settings/PauseSetting.h"

void frmMainServices::startPause() {
    pause_.setChoices(settings::LoadPauseSetting(platform_.profile, form_.WinPath));
    pause_.onPausedChanged = [this] { reportChange(); };
    pause_.start();
    showPause();
    changePause(pause_.choices(), false);
}

void frmMainServices::togglePauseFullscreen() {
    pausing::Choices choices = pause_.choices();
    choices.fullscreen = !choices.fullscreen;
    changePause(std::move(choices), true);
}

void frmMainServices::setPauseChoices(pausing::Choices choices) {
    changePause(std::move(choices), false);
}

void frmMainServices::changePause(pausing::Choices choices, bool fromMenu) {
    if (form_.unloaded()) {
        return;
    }
    if (choices != pause_.choices()) {
        pause_.setChoices(std::move(choices));
        keepPause();
        showPause();
        reportChange();
    }
    const pausing::Choices& now = pause_.choices();
    const std::string why = pause_.unavailable();
    if (why.empty() || (!now.fullscreen && now.apps.empty())) {
        return;
    }
    const std::string what =
        "the tint cannot pause for full-screen windows or applications here: " + why;
    if (!pauseToldStderr_) {
        pauseToldStderr_ = true;
        std::fprintf(stderr, "dimwarden: %s\n", what.c_str());
    }
    if (fromMenu && !pauseToldMessage_) {
        pauseToldMessage_ = true;
        form_.view_->sayMessage(frmMain::title(),
                                "此桌面不告诉程序哪个窗口在前，全屏暂停不会生效；选择已保存。\n[T" +
                                    what.substr(1) + "; the choice is kept.]");
    }
}

// Kept at once, like the colour (or at the end of a held run); a failed write is tried again at
// the next change.
void frmMainServices::keepPause() {
    if (form_.holding_) {
        pauseHeld_ = true;
    } else {
        settings::SavePauseSetting(platform_.profile, form_.WinPath, pause_.choices());
    }
}

void frmMainServices::showPause() {
    const std::string why = pause_.unavailable();
    form_.view_->showPauseFullscreen(pause_.choices().fullscreen, why.empty(), why);
}
