#include "platform/x11/X11ActiveWindowSource.h"

// Qt before Xlib: Xlib's macros (Bool, Status, None) break Qt's headers.
#include <QCoreApplication>
#include <QSocketNotifier>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xrandr.h>
#include <X11/extensions/scrnsaver.h>

#include <utility>
#include <vector>

#include "pause/PauseRules.h"
#include "platform/x11/XlibSupport.h"

using xlib::ErrorTrap;

struct X11ActiveWindowSource::Connection {
    X11ActiveWindowSource& owner;
    Display* display = nullptr;
    ::Window root = None;
    int randrBase = 0;
    int saverBase = -1;  // no MIT-SCREEN-SAVER: no wake-up is reported
    bool lost = false;
    Atom netActiveWindow = None;
    Atom netWmState = None;
    Atom netWmStateFullscreen = None;
    Atom netWmStateHidden = None;

    // The window followed now: the client the window manager names, and its frame (the client's
    // ancestor that is a child of the root window, which carries the decorations and moves).
    ::Window client = None;
    ::Window frame = None;
    std::optional<Window> facts;
    // The lit CRTCs' rectangles, asked again after RandR says they changed.
    std::vector<pausing::OutputRect> crtcs;
    bool crtcsKnown = false;
    std::unique_ptr<QSocketNotifier> notifier;

    Connection(X11ActiveWindowSource& o, Display* d) : owner(o), display(d) {
        XSetIOErrorExitHandler(display, &Connection::onIoExit, this);
        root = DefaultRootWindow(display);
        netActiveWindow = XInternAtom(display, "_NET_ACTIVE_WINDOW", False);
        netWmState = XInternAtom(display, "_NET_WM_STATE", False);
        netWmStateFullscreen = XInternAtom(display, "_NET_WM_STATE_FULLSCREEN", False);
        netWmStateHidden = XInternAtom(display, "_NET_WM_STATE_HIDDEN", False);
    }
    ~Connection() {
        notifier.reset();
        ErrorTrap trap(display);
        XCloseDisplay(display);
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    static void onIoExit(Display*, void* self) { static_cast<Connection*>(self)->lost = true; }

    bool hasRandr() {
        int errorBase = 0;
        return XRRQueryExtension(display, &randrBase, &errorBase);
    }

    void start() {
        ErrorTrap trap(display);
        XSelectInput(display, root, PropertyChangeMask);
        XRRSelectInput(display, root, RRScreenChangeNotifyMask | RRCrtcChangeNotifyMask);
        int errorBase = 0;
        if (XScreenSaverQueryExtension(display, &saverBase, &errorBase)) {
            XScreenSaverSelectInput(display, root, ScreenSaverNotifyMask);
        } else {
            saverBase = -1;
        }
        follow(activeClient());
        facts = read();
        if (QCoreApplication::instance() != nullptr) {
            notifier =
                std::make_unique<QSocketNotifier>(ConnectionNumber(display), QSocketNotifier::Read);
            QObject::connect(notifier.get(), &QSocketNotifier::activated, notifier.get(),
                             [this] { drain(); });
        }
        XFlush(display);
    }

    // Reads every event waiting; the active window's facts are read again once per batch, and
    // the owner told when they changed.
    void drain() {
        bool dirty = false;
        bool woke = false;
        // Reading the facts takes round trips, which may queue further events: go round again.
        for (int round = 0; round < 8 && !lost; ++round) {
            bool more = false;
            {
                ErrorTrap trap(display);
                while (!lost && XPending(display) > 0) {
                    XEvent event;
                    XNextEvent(display, &event);
                    more = true;
                    take(event, dirty, woke);
                }
            }
            if (!more) {
                break;
            }
            if (dirty) {
                dirty = false;
                std::optional<Window> now = read();
                if (now != facts || changedWindow_) {
                    changedWindow_ = false;
                    facts = std::move(now);
                    if (owner.onChanged) {
                        owner.onChanged();
                    }
                }
            }
        }
        if (lost && notifier) {
            // A dead descriptor reads as ready for ever; stop watching it.
            notifier->setEnabled(false);
        }
        if (woke && owner.onScreenWoke) {
            owner.onScreenWoke();
        }
    }

    void take(XEvent& event, bool& dirty, bool& woke) {
        if (event.type == PropertyNotify) {
            const XPropertyEvent& p = event.xproperty;
            if (p.window == root && p.atom == netActiveWindow) {
                const ::Window now = activeClient();
                if (now != client) {
                    follow(now);
                    changedWindow_ = true;
                }
                dirty = true;
            } else if (p.window == client && (p.atom == netWmState || p.atom == XA_WM_CLASS)) {
                dirty = true;
            }
            return;
        }
        if (event.type == ReparentNotify && event.xreparent.window == client) {
            follow(client);
            dirty = true;
            return;
        }
        if (event.type == ConfigureNotify || event.type == MapNotify || event.type == UnmapNotify ||
            event.type == DestroyNotify) {
            dirty = true;
            return;
        }
        XRRUpdateConfiguration(&event);
        const int randr = event.type - randrBase;
        if (randr == RRScreenChangeNotify || randr == RRNotify) {
            crtcsKnown = false;
            dirty = true;
            return;
        }
        if (saverBase >= 0 && event.type == saverBase + ScreenSaverNotify) {
            const auto& s = reinterpret_cast<const XScreenSaverNotifyEvent&>(event);
            woke = woke || s.state == ScreenSaverOff;
        }
    }

    // The client the window manager names as active; None when it names none.
    ::Window activeClient() {
        ErrorTrap trap(display);
        Atom type = None;
        int format = 0;
        unsigned long count = 0;
        unsigned long after = 0;
        unsigned char* data = nullptr;
        ::Window w = None;
        if (XGetWindowProperty(display, root, netActiveWindow, 0, 1, False, XA_WINDOW, &type,
                               &format, &count, &after, &data) == Success &&
            data != nullptr && format == 32 && count == 1) {
            w = static_cast<::Window>(*reinterpret_cast<unsigned long*>(data));
        }
        if (data != nullptr) {
            XFree(data);
        }
        return trap.failed() ? None : w;
    }

    // Watches `w` and its frame instead of the windows followed so far.
    void follow(::Window w) {
        ErrorTrap trap(display);
        for (::Window old : {client, frame}) {
            if (old != None && old != w) {
                XSelectInput(display, old, NoEventMask);
            }
        }
        client = w;
        frame = w == None ? None : topLevel(w);
        if (client != None) {
            XSelectInput(display, client, PropertyChangeMask | StructureNotifyMask);
        }
        if (frame != None && frame != client) {
            XSelectInput(display, frame, StructureNotifyMask);
        }
    }

    ::Window topLevel(::Window w) {
        for (int depth = 0; depth < 16; ++depth) {
            ::Window rootReturn = None;
            ::Window parent = None;
            ::Window* children = nullptr;
            unsigned int n = 0;
            if (!XQueryTree(display, w, &rootReturn, &parent, &children, &n)) {
                return w;
            }
            if (children != nullptr) {
                XFree(children);
            }
            if (parent == None || parent == rootReturn) {
                return w;
            }
            w = parent;
        }
        return w;
    }

    // The followed window's facts; nothing when none is active or it has gone.
    std::optional<Window> read() {
        if (client == None) {
            return std::nullopt;
        }
        ErrorTrap trap(display);
        Window w;
        XClassHint hint{};
        if (XGetClassHint(display, client, &hint)) {
            for (char* name : {hint.res_name, hint.res_class}) {
                if (name != nullptr && *name != '\0') {
                    w.appNames.emplace_back(name);
                }
                if (name != nullptr) {
                    XFree(name);
                }
            }
        }
        bool hidden = false;
        readState(w.fullscreen, hidden);
        XWindowAttributes a{};
        const ::Window f = frame == None ? client : frame;
        int x = 0;
        int y = 0;
        ::Window child = None;
        const bool placed = XGetWindowAttributes(display, f, &a) &&
                            XTranslateCoordinates(display, f, root, 0, 0, &x, &y, &child);
        if (trap.failed() || lost) {
            return std::nullopt;
        }
        if (placed && !hidden && a.map_state == IsViewable) {
            const int border = 2 * a.border_width;
            w.outputs = pausing::placements(
                {x - a.border_width, y - a.border_width, a.width + border, a.height + border},
                litCrtcs());
        }
        return w;
    }

    void readState(bool& fullscreen, bool& hidden) {
        Atom type = None;
        int format = 0;
        unsigned long count = 0;
        unsigned long after = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(display, client, netWmState, 0, 64, False, XA_ATOM, &type, &format,
                               &count, &after, &data) == Success &&
            data != nullptr && format == 32) {
            const auto* atoms = reinterpret_cast<const Atom*>(data);
            for (unsigned long i = 0; i < count; ++i) {
                fullscreen = fullscreen || atoms[i] == netWmStateFullscreen;
                hidden = hidden || atoms[i] == netWmStateHidden;
            }
        }
        if (data != nullptr) {
            XFree(data);
        }
    }

    const std::vector<pausing::OutputRect>& litCrtcs() {
        if (crtcsKnown) {
            return crtcs;
        }
        crtcs.clear();
        ErrorTrap trap(display);
        xlib::ScreenResourcesPtr resources(XRRGetScreenResourcesCurrent(display, root));
        for (int c = 0; resources && c < resources->ncrtc; ++c) {
            const RRCrtc crtc = resources->crtcs[c];
            xlib::CrtcInfoPtr info(XRRGetCrtcInfo(display, resources.get(), crtc));
            if (!info || info->mode == None || info->noutput == 0) {
                continue;
            }
            crtcs.push_back({xlib::crtcName(display, resources.get(), crtc, *info),
                             {info->x, info->y, static_cast<int>(info->width),
                              static_cast<int>(info->height)}});
        }
        crtcsKnown = !trap.failed() && !lost;
        return crtcs;
    }

    // Another window became active since the facts were last reported, even if its facts read
    // the same: the owner still hears of it.
    bool changedWindow_ = false;
};

X11ActiveWindowSource::X11ActiveWindowSource(std::string displayName)
    : displayName_(std::move(displayName)) {}

X11ActiveWindowSource::~X11ActiveWindowSource() = default;

X11ActiveWindowSource::Connection* X11ActiveWindowSource::connection() const {
    if (!tried_) {
        tried_ = true;
        Display* display = XOpenDisplay(displayName_.empty() ? nullptr : displayName_.c_str());
        if (display == nullptr) {
            return nullptr;
        }
        auto c = std::make_unique<Connection>(const_cast<X11ActiveWindowSource&>(*this), display);
        if (!c->hasRandr()) {
            return nullptr;
        }
        connection_ = std::move(c);
    }
    return connection_ && !connection_->lost ? connection_.get() : nullptr;
}

std::string X11ActiveWindowSource::unavailable() const {
    if (connection() != nullptr) {
        return {};
    }
    return tried_ && !connection_ ? "no X display with RandR could be opened to follow windows on"
                                  : "the connection to the X server was lost";
}

void X11ActiveWindowSource::start() {
    if (Connection* c = connection(); c != nullptr && !c->notifier) {
        c->start();
    }
}

std::optional<ActiveWindowSource::Window> X11ActiveWindowSource::active() const {
    return connection_ ? connection_->facts : std::nullopt;
}
