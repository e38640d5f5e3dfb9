#include "platform/x11/X11SelectionSingleInstance.h"

#include <QSocketNotifier>
#include <cstdio>
#include <string>

// After every Qt header: Xlib's macros (Bool, Status) break Qt headers included later.
#include <X11/Xlib.h>

namespace {

int ignoreError(Display*, XErrorEvent*) {
    return 0;
}

}  // namespace

X11SelectionSingleInstance::X11SelectionSingleInstance() : display_(XOpenDisplay(nullptr)) {}

X11SelectionSingleInstance::~X11SelectionSingleInstance() {
    notifier_.reset();
    if (display_ != nullptr) {
        XCloseDisplay(display_);
    }
}

bool X11SelectionSingleInstance::anotherRunning() {
    if (display_ == nullptr) {
        return false;
    }
    const int screen = DefaultScreen(display_);
    const std::string name = "_DIMWARDEN_S" + std::to_string(screen);
    const Atom selection = XInternAtom(display_, name.c_str(), False);

    // The default handler would end the process on a failed request; a failure here only means
    // that no instance can be seen.
    const auto previous = XSetErrorHandler(&ignoreError);
    const Window owner =
        XCreateSimpleWindow(display_, RootWindow(display_, screen), -1, -1, 1, 1, 0, 0, 0);
    // Asking and taking under one server grab: of simultaneous starts exactly one finds the
    // selection free.
    XGrabServer(display_);
    const Window current = XGetSelectionOwner(display_, selection);
    if (current == None) {
        XSetSelectionOwner(display_, selection, owner, CurrentTime);
    }
    XUngrabServer(display_);
    XSync(display_, False);
    XSetErrorHandler(previous);
    if (current != None) {
        return true;
    }
    // The server tells the owner when another client takes the selection.
    selection_ = selection;
    owned_ = true;
    notifier_ =
        std::make_unique<QSocketNotifier>(ConnectionNumber(display_), QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(),
                     [this] { readEvents(); });
    readEvents();
    return false;
}

void X11SelectionSingleInstance::readEvents() {
    // Nothing but the selection's events come on this connection.
    while (XPending(display_) > 0) {
        XEvent event;
        XNextEvent(display_, &event);
        if (event.type == SelectionClear && event.xselectionclear.selection == selection_ &&
            owned_) {
            owned_ = false;
            std::fputs(
                "dimwarden: another program has taken over this display from this "
                "instance; it no longer changes the screen\n",
                stderr);
            if (onLost) {
                onLost();
            }
        }
    }
}
