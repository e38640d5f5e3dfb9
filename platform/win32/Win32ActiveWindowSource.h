#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "pause/ActiveWindowSource.h"

class DisplayGamma;

// The foreground window on Windows, from WinEvent hooks (out of context, so the events come to
// this thread's message loop and no code is put into other programs): the foreground changing,
// and, hooked for the program in front alone, its window moving or resizing, being minimised or
// restored, and going away. It is
// reported by its program's file name ("mpv.exe") and the monitors it is on, by the names the
// display backend gives them; it covers a monitor when its client area covers all of it, so that
// a borderless window the size of the monitor counts and a maximised one with a title bar does
// not. The tool's own windows and the desktop itself are never reported: activating one brings
// the tint back.
class Win32ActiveWindowSource : public ActiveWindowSource {
  public:
    // `display` names the monitors (by their GDI device names, "\\.\DISPLAY1").
    explicit Win32ActiveWindowSource(DisplayGamma& display);
    ~Win32ActiveWindowSource() override;
    Win32ActiveWindowSource(const Win32ActiveWindowSource&) = delete;
    Win32ActiveWindowSource& operator=(const Win32ActiveWindowSource&) = delete;

    std::string unavailable() const override;
    void start() override;
    std::optional<Window> active() const override { return reported_; }

    // The window calls this on WM_DISPLAYCHANGE: monitors were added, removed or moved.
    void displayChanged();
    // The window calls this when the program gained or lost the foreground (WM_ACTIVATEAPP).
    // Windows raises the foreground event for that too; Wine 8 raises none of the events hooked
    // here, and this is how it learns that the tool's own window came to the front.
    void foregroundMayHaveChanged();

  private:
    static void CALLBACK onEvent(HWINEVENTHOOK hook, DWORD event, HWND window, LONG object,
                                 LONG child, DWORD thread, DWORD time);
    void update();
    void followProcess(DWORD pid);
    std::optional<Window> describe(HWND window);
    std::string outputName(const std::wstring& device);

    DisplayGamma& display_;
    std::vector<HWINEVENTHOOK> hooks_;         // the foreground, for every program
    std::vector<HWINEVENTHOOK> processHooks_;  // the rest, for the program in front
    DWORD followed_ = 0;
    bool hookFailed_ = false;
    HWND foreground_ = nullptr;
    std::map<std::wstring, std::string> names_;  // device name -> output name
    std::optional<Window> reported_;
};
