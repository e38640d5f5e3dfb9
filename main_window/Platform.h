#pragma once

class DisplayGamma;
class ProfileFile;
class SettingsDirectory;
class NotifyIcon;
class WindowDrag;
class UrlOpener;
class SingleInstance;
class JournalStore;
class Clock;
class Alarm;
class Autostart;

// The platform operations the windows use, handed to them in one place so that tests can swap
// every one of them for an in-memory stand-in.
struct Platform {
    DisplayGamma& display;
    ProfileFile& profile;
    SettingsDirectory& settingsDir;
    NotifyIcon& tray;
    WindowDrag& drag;
    UrlOpener& url;
    SingleInstance& instance;
    // Where the display engine keeps its crash journal; null: none is kept.
    JournalStore* journal = nullptr;
    // The wall clock and the one alarm the schedule runs on; without them there is no schedule.
    Clock* clock = nullptr;
    Alarm* alarm = nullptr;
    // Where the program is started at login; null: the menu item changes nothing.
    Autostart* autostart = nullptr;
};
