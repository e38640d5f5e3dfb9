#pragma once

#include <string>

#include "main_window/SingleInstance.h"

// One instance per Windows session: a named mutex in the session's own namespace ("Local\"),
// held until the process ends. The system drops it with the process, even after a crash, so a
// later start never finds a stale lock.
class Win32SingleInstance : public SingleInstance {
  public:
    explicit Win32SingleInstance(std::wstring name = L"Local\\Dimwarden.Instance");
    ~Win32SingleInstance() override;
    Win32SingleInstance(const Win32SingleInstance&) = delete;
    Win32SingleInstance& operator=(const Win32SingleInstance&) = delete;

    bool anotherRunning() override;

  private:
    std::wstring name_;
    void* mutex_ = nullptr;
};
