#pragma once

#include <string>

#include "main_window/Autostart.h"

// The value `Dimwarden` under HKCU\Software\Microsoft\Windows\CurrentVersion\Run: Explorer
// starts what it names at login. The setup program writes the same value.
class Win32Autostart : public Autostart {
  public:
    // `command` is the value's data; by default the running program's own path, quoted.
    explicit Win32Autostart(std::wstring command = runningProgram());

    bool enabled() override;
    std::string set(bool on) override;

    // The quoted full path of this process's exe: "C:\...\Dimwarden_V5.0.exe".
    static std::wstring runningProgram();
    static constexpr wchar_t kKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    static constexpr wchar_t kValue[] = L"Dimwarden";

  private:
    std::wstring command_;
};
