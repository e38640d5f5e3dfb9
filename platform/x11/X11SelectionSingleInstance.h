#pragma once

#include <functional>
#include <memory>

#include "main_window/SingleInstance.h"

class QSocketNotifier;
typedef struct _XDisplay Display;

// One instance per X display: the running instance owns the selection "_DIMWARDEN_S<screen>", as
// window managers and notification areas own theirs. The server drops the ownership with the
// owner's connection, so a killed instance never blocks the next one, and users with different
// runtime folders still meet here, since what they share is the display's gamma.
//
// Another client may take the selection over while the tool runs. The tool cannot tell whether
// what took it will tint too, so it says so once on stderr and calls onLost: from then on it
// leaves the screen to the new owner.
class X11SelectionSingleInstance : public SingleInstance {
  public:
    // Connects to $DISPLAY; connected() is false when there is no X display.
    X11SelectionSingleInstance();
    ~X11SelectionSingleInstance() override;
    X11SelectionSingleInstance(const X11SelectionSingleInstance&) = delete;
    X11SelectionSingleInstance& operator=(const X11SelectionSingleInstance&) = delete;

    bool connected() const { return display_ != nullptr; }
    bool anotherRunning() override;

    std::function<void()> onLost;

  private:
    void readEvents();

    Display* display_ = nullptr;
    unsigned long selection_ = 0;
    bool owned_ = false;
    std::unique_ptr<QSocketNotifier> notifier_;
};
