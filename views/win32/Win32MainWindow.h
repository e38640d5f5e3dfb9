#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "main_window/MainView.h"
#include "views/win32/Win32PopupMenu.h"
#include "views/win32/TableCanvas.h"
#include "views/win32/ViewWindow.h"

class frmMain;

// The main window on Win32: one borderless window painted from frmMainLayout, the four sliders as
// scroll bar controls, the menu "文件(File)" as a pop-up menu. Every event goes to the form's
// handler of the design's name; the window keeps only what it was told to show.
class Win32MainWindow : public MainView {
  public:
    explicit Win32MainWindow(frmMain& form);
    ~Win32MainWindow() override;
    Win32MainWindow(const Win32MainWindow&) = delete;
    Win32MainWindow& operator=(const Win32MainWindow&) = delete;

    HWND hwnd() const { return hwnd_; }

    NativeWindow nativeWindow() const override;
    void showSlider(Slider slider, int position) override;
    void showSliderValue(Slider slider, int value) override;
    void showColor(BgrColor color) override;
    void showSwitch(bool on) override;
    void showMenuChecks(bool night, bool normal) override;
    void showAutomatic(bool checked, bool enabled) override;
    void showAutostart(bool checked) override;
    void showMonitors(const std::vector<MonitorItem>& items) override;
    void showMiniLit(bool lit) override;
    void showCloseLit(bool lit) override;
    void showLinkLit(bool lit) override;
    void showWindow() override;
    void putAway() override;
    void minimise() override;
    void restore() override;
    void closeWindow() override;
    void openMenu() override;
    void openPicker(frmColor& picker) override;
    void sayMessage(const std::string& title, const std::string& text) override;
    void followPointer() override;
    void letPendingEventsRun() override;

  private:
    template <typename View>
    friend LRESULT CALLBACK viewwindow::procedure(HWND, UINT, WPARAM, LPARAM);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    void mouseMove(int x, int y);
    void mouseDown(int x, int y, int button);
    void mouseUp(int x, int y);
    void scroll(HWND bar, int code);
    void invalidate(frmMainLayout::Id id);
    // The scroll bars and the tooltips' areas where the table puts them at the window's density.
    void placeChildren();

    frmMain& form_;
    TableCanvas canvas_;
    HWND hwnd_ = nullptr;
    std::array<HWND, 4> bars_{};
    HWND tips_ = nullptr;
    std::unique_ptr<Win32PopupMenu> menu_;
    int pressed_ = -1;
    std::vector<std::pair<std::string, std::string>> messages_;
};
