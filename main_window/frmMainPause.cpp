// The form's part in pausing the tint for the active window: the kept choices, the menu item,
// and saying once where no window can be followed.
#include <cstdio>
#include <string>
#include <utility>

#include "main_window/frmMain.h"
#include "settings/PauseSetting.h"

void frmMain::startPause() {
    pause_.setChoices(settings::LoadPauseSetting(platform_.profile, WinPath));
    pause_.onPausedChanged = [this] {
        if (changed) {
            changed();
        }
    };
    pause_.start();
    showPause();
    changePause(pause_.choices(), false);
}

void frmMain::mnuPauseFull_Click() {
    pausing::Choices choices = pause_.choices();
    choices.fullscreen = !choices.fullscreen;
    changePause(std::move(choices), true);
}

void frmMain::setPauseChoices(pausing::Choices choices) {
    changePause(std::move(choices), false);
}

void frmMain::changePause(pausing::Choices choices, bool fromMenu) {
    if (unloaded_) {
        return;
    }
    if (choices != pause_.choices()) {
        pause_.setChoices(std::move(choices));
        // Kept at once, like the colour; a failed write is tried again at the next change.
        settings::SavePauseSetting(platform_.profile, WinPath, pause_.choices());
        showPause();
        if (changed) {
            changed();
        }
    }
    const pausing::Choices& now = pause_.choices();
    const std::string why = pause_.unavailable();
    if (why.empty() || (!now.fullscreen && now.apps.empty())) {
        return;
    }
    const std::string what =
        "the tint cannot pause for full-screen windows or applications "
        "here: " +
        why;
    if (!pauseToldStderr_) {
        pauseToldStderr_ = true;
        std::fprintf(stderr, "dimwarden: %s\n", what.c_str());
    }
    if (fromMenu && !pauseToldMessage_) {
        pauseToldMessage_ = true;
        std::string sentence = what;
        sentence[0] = 'T';
        const auto title = frmMainLayout::index(frmMainLayout::Id::lbTitle);
        view_->sayMessage(frmMainLayout::kControls[static_cast<std::size_t>(title)].caption,
                          "此桌面不告诉程序哪个窗口在前，全屏暂停不会生效；选择已保存。\n[" +
                              sentence + "; the choice is kept.]");
    }
}

void frmMain::showPause() {
    const std::string why = pause_.unavailable();
    view_->showPauseFullscreen(pause_.choices().fullscreen, why.empty(), why);
}
