#pragma once

#include <string>

#include "main_window/Autostart.h"

class SettingsDirectory;

// The menu entry in the user's autostart folder ($XDG_CONFIG_HOME/autostart), with the command
// that started this program, which desktops run at login. An entry of that name that this program
// did not write (copied there by hand, or by another tool) is never changed or removed: it may
// carry the user's own options.
class XdgAutostart : public Autostart {
  public:
    // `config` gives the user's configuration folder; `command` is the program to start, an
    // absolute path.
    XdgAutostart(SettingsDirectory& config, std::string command);

    bool enabled() override;
    std::string set(bool on) override;

    // The entry's file; empty with no configuration folder.
    std::string path();
    // The entry as written for `command`: the menu entry, each Exec line starting `command`
    // (quoted as desktop entries quote), and the mark that says this program wrote it.
    static std::string entryFor(const std::string& command);

  private:
    SettingsDirectory& config_;
    std::string command_;
};
