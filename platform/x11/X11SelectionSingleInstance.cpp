#include "platform/x11/X11SelectionSingleInstance.h"

#include <X11/Xlib.h>

#include <string>

namespace {

int ignoreError(Display*, XErrorEvent*) {
    return 0;
}

}  // namespace

X11SelectionSingleInstance::X11SelectionSingleInstance() : display_(XOpenDisplay(nullptr)) {}

X11SelectionSingleInstance::~X11SelectionSingleInstance() {
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
    return current != None;
}
