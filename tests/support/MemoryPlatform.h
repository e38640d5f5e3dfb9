#pragma once

#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "forms/WindowDrag.h"
#include "main_window/NotifyIcon.h"
#include "main_window/Platform.h"
#include "main_window/SingleInstance.h"
#include "main_window/UrlOpener.h"
#include "settings/ProfileFile.h"
#include "settings/SettingsDirectory.h"
#include "support/MemoryAutostart.h"
#include "support/MemoryClock.h"
#include "support/MemoryDisplayGamma.h"
#include "support/MemoryJournalStore.h"

// In-memory stand-ins for every platform operation, for tests. No toolkit: the forms' tests use
// them under Wine too.

class MemoryProfileFile : public ProfileFile {
  public:
    using Key = std::tuple<std::string, std::string, std::string>;  // path, section, key
    std::map<Key, std::string> values;
    bool refuseWrite = false;
    int reads = 0;
    int writes = 0;

    std::string read(const std::string& path, const std::string& section, const std::string& key,
                     const std::string& fallback) override;
    bool write(const std::string& path, const std::string& section, const std::string& key,
               const std::string& value) override;
    // One write, as the file sees it.
    bool writeSection(const std::string& path, const std::string& section,
                      const Entries& entries) override;
};

class MemorySettingsDirectory : public SettingsDirectory {
  public:
    std::string dir = "/memory/config";
    std::string directory() override { return dir; }
};

class MemoryNotifyIcon : public NotifyIcon {
  public:
    bool hostPresent = true;
    bool shown = false;
    int adds = 0;
    int removes = 0;
    std::string tip;

    bool available() override { return hostPresent; }
    void add(const std::string& t) override;
    void remove() override;
    // What the notification area would report for a click on the icon.
    void fire(Click click);
};

class MemoryWindowDrag : public WindowDrag {
  public:
    bool accept = true;
    int calls = 0;
    NativeWindow window = 0;  // the last one asked for
    bool startMove(NativeWindow w) override {
        ++calls;
        window = w;
        return accept;
    }
};

class MemoryUrlOpener : public UrlOpener {
  public:
    std::vector<std::string> opened;
    bool open(const std::string& url) override {
        opened.push_back(url);
        return true;
    }
};

class MemorySingleInstance : public SingleInstance {
  public:
    bool other = false;
    int asked = 0;
    bool anotherRunning() override {
        ++asked;
        return other;
    }
};

struct MemoryPlatform {
    MemoryDisplayGamma display;
    MemoryProfileFile profile;
    MemorySettingsDirectory settingsDir;
    MemoryNotifyIcon tray;
    MemoryWindowDrag drag;
    MemoryUrlOpener url;
    MemorySingleInstance instance;
    MemoryJournalStore journal;
    MemoryClock clock;
    MemoryAlarm alarm;
    MemoryAutostart autostart;
    Platform platform{display,  profile,  settingsDir, tray,   drag,      url,
                      instance, &journal, &clock,      &alarm, &autostart};
};
