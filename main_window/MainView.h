#pragma once

#include <string>
#include <vector>

#include "forms/WindowDrag.h"
#include "gamma/BgrColor.h"
#include "main_window/frmMainLayout.h"

class frmColor;

// One item of the tray menu's monitors submenu: an output as the system names it, checked while
// it is tinted.
struct MonitorItem {
    std::string name;
    bool tinted = true;
    friend bool operator==(const MonitorItem&, const MonitorItem&) = default;
};

// What the main window shows, in the form's words. A view draws the controls of the layout table
// as created and afterwards changes only what it is told here; it keeps no state that the form
// does not hold, and forwards every event to the form's handler of the design's name.
class MainView {
  public:
    using Slider = frmMainLayout::Slider;

    virtual ~MainView() = default;

    // The window as the system knows it, for the window manager's move.
    virtual NativeWindow nativeWindow() const = 0;

    // A slider's thumb at `position` (0..40). Showing it runs no handler.
    virtual void showSlider(Slider slider, int position) = 0;
    // The number in the label beside a slider.
    virtual void showSliderValue(Slider slider, int value) = 0;
    // The swatch `picColor`'s background.
    virtual void showColor(BgrColor color) = 0;
    // The switch: caption "ON" or "OFF", the knob at frmMainLayout::knobLeft(on), the night lamp
    // in front when on and the normal lamp in front when off.
    virtual void showSwitch(bool on) = 0;
    // The check marks of the menu items Night and Normal.
    virtual void showMenuChecks(bool night, bool normal) = 0;
    // The submenu frmMain::kMonitorsCaption above Exit, one checkable item per entry in order;
    // none at all while `items` is empty. A choice goes to frmMain::mnuMonitor_Click(index).
    virtual void showMonitors(const std::vector<MonitorItem>& items) = 0;
    // The menu item Automatic: its check mark, and whether it can be chosen (no schedule: greyed).
    virtual void showAutomatic(bool checked, bool enabled) = 0;
    // The menu item Start at login's check mark.
    virtual void showAutostart(bool checked) = 0;
    // The hover looks: the two title buttons' focus pictures, the link label's blue.
    virtual void showMiniLit(bool lit) = 0;
    virtual void showCloseLit(bool lit) = 0;
    virtual void showLinkLit(bool lit) = 0;

    // The window shown as it is, in its normal state.
    virtual void showWindow() = 0;
    // Hidden: only the notification icon brings it back.
    virtual void putAway() = 0;
    // Minimised to the taskbar, for desktops without a notification area.
    virtual void minimise() = 0;
    // Shown in its normal state, raised and given the focus.
    virtual void restore() = 0;
    // Hidden for good: the form has unloaded.
    virtual void closeWindow() = 0;

    // The menu "文件(File)" pops up at the pointer.
    virtual void openMenu() = 0;
    // Shows `picker` modally over this window and returns once it has closed (the picker's own
    // handlers run meanwhile, inside this call).
    virtual void openPicker(frmColor& picker) = 0;
    // A warning with a title and a text (UTF-8); not modal, the tool runs on.
    virtual void sayMessage(const std::string& title, const std::string& text) = 0;
    // No window manager moved the window: it follows the pointer until the button is released.
    virtual void followPointer() = 0;
    // Lets pending window events run before a step that may take a while.
    virtual void letPendingEventsRun() = 0;
};
