#include "platform/x11/X11DisplayGamma.h"

// Qt before Xlib: Xlib's macros (Bool, Status, None) break Qt's headers.
#include <QCoreApplication>
#include <QSocketNotifier>

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <cstddef>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <utility>

#include "gamma/RampMath.h"
#include "platform/x11/XlibSupport.h"

namespace {

struct CrtcGammaDeleter {
    void operator()(XRRCrtcGamma* p) const { XRRFreeGamma(p); }
};
using CrtcGammaPtr = std::unique_ptr<XRRCrtcGamma, CrtcGammaDeleter>;
using xlib::CrtcInfoPtr;
using xlib::ErrorTrap;
using xlib::ScreenResourcesPtr;

}  // namespace

struct X11DisplayGamma::Connection {
    X11DisplayGamma& owner;
    Display* display = nullptr;
    int eventBase = 0;
    bool lost = false;  // the server went away; the connection is unusable
    // A CRTC's table size is fixed by its hardware, so it is asked once per CRTC.
    std::map<RRCrtc, int> sizes;
    std::unique_ptr<QSocketNotifier> notifier;
    bool drainQueued = false;

    Connection(X11DisplayGamma& o, Display* d) : owner(o), display(d) {
        // Without this Xlib would exit the process when the server goes away.
        XSetIOErrorExitHandler(display, &Connection::onIoExit, this);
    }
    ~Connection() {
        notifier.reset();
        ErrorTrap trap(display);
        XCloseDisplay(display);
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    static void onIoExit(Display*, void* self) { static_cast<Connection*>(self)->lost = true; }

    // CRTC gamma needs RandR 1.2, the cheap resource query 1.3.
    bool hasRandr13() {
        int errorBase = 0;
        int major = 0;
        int minor = 0;
        return XRRQueryExtension(display, &eventBase, &errorBase) &&
               XRRQueryVersion(display, &major, &minor) &&
               (major > 1 || (major == 1 && minor >= 3));
    }

    // Change events are read where Qt's event loop watches the connection's descriptor; without
    // an application (a benchmark, say) nothing is watched and nothing is reported.
    void watch() {
        XRRSelectInput(
            display, DefaultRootWindow(display),
            RRScreenChangeNotifyMask | RRCrtcChangeNotifyMask | RROutputChangeNotifyMask);
        XFlush(display);
        if (QCoreApplication::instance() == nullptr) {
            return;
        }
        notifier =
            std::make_unique<QSocketNotifier>(ConnectionNumber(display), QSocketNotifier::Read);
        QObject::connect(notifier.get(), &QSocketNotifier::activated, notifier.get(),
                         [this] { drain(); });
    }

    // Reads every event waiting and reports one change for the batch.
    void drain() {
        drainQueued = false;
        bool changed = false;
        {
            ErrorTrap trap(display);
            while (!lost && XPending(display) > 0) {
                XEvent event;
                XNextEvent(display, &event);
                XRRUpdateConfiguration(&event);
                const int type = event.type - eventBase;
                changed = changed || type == RRScreenChangeNotify || type == RRNotify;
            }
        }
        if (lost) {
            // A dead descriptor reads as ready for ever; stop watching it.
            if (notifier) {
                notifier->setEnabled(false);
            }
            return;
        }
        if (changed && owner.onOutputsChanged) {
            owner.onOutputsChanged();
        }
    }

    // A round trip may leave events in Xlib's queue, where the descriptor no longer shows them:
    // have the event loop drain them once the current operation is over.
    void afterRoundTrip() {
        if (notifier && !drainQueued && !lost && QLength(display) > 0) {
            drainQueued = true;
            QMetaObject::invokeMethod(
                notifier.get(), [this] { drain(); }, Qt::QueuedConnection);
        }
    }

    int gammaSize(RRCrtc crtc, ErrorTrap& trap) {
        const auto it = sizes.find(crtc);
        if (it != sizes.end()) {
            return it->second;
        }
        const int size = XRRGetCrtcGammaSize(display, crtc);
        if (trap.failed() || lost) {
            return 0;
        }
        sizes[crtc] = size;
        return size;
    }

    // Every CRTC with a gamma table, lit when it has a mode and drives an output.
    std::vector<Output> outputs() {
        std::vector<Output> list;
        ErrorTrap trap(display);
        ScreenResourcesPtr resources(
            XRRGetScreenResourcesCurrent(display, DefaultRootWindow(display)));
        if (!resources || trap.failed() || lost) {
            return list;
        }
        for (int c = 0; c < resources->ncrtc; ++c) {
            const RRCrtc crtc = resources->crtcs[c];
            CrtcInfoPtr info(XRRGetCrtcInfo(display, resources.get(), crtc));
            const int size = gammaSize(crtc, trap);
            if (!info || size <= 0 || trap.failed() || lost) {
                continue;
            }
            Output o;
            o.id = crtc;
            o.gammaSize = size;
            o.name = xlib::crtcName(display, resources.get(), crtc, *info);
            // A CRTC with a mode scans out to its outputs. Their connection state is not asked:
            // the cheap query keeps the state of the last probe, which for an output enabled
            // since may still read "disconnected".
            o.active = info->mode != None && info->noutput > 0;
            list.push_back(std::move(o));
        }
        afterRoundTrip();
        return trap.failed() || lost ? std::vector<Output>{} : list;
    }

    bool read(RRCrtc crtc, GammaRamp& ramp) {
        ErrorTrap trap(display);
        // The reply carries the table size, so no separate size request is needed here.
        CrtcGammaPtr gamma(XRRGetCrtcGamma(display, crtc));
        afterRoundTrip();
        if (!gamma || gamma->size <= 0 || trap.failed() || lost) {
            return false;
        }
        sizes[crtc] = gamma->size;
        const auto n = static_cast<std::size_t>(gamma->size);
        GammaRamp fresh;
        ramp::sampleTo256(std::span<const std::uint16_t>(gamma->red, n), fresh.channel(0));
        ramp::sampleTo256(std::span<const std::uint16_t>(gamma->green, n), fresh.channel(1));
        ramp::sampleTo256(std::span<const std::uint16_t>(gamma->blue, n), fresh.channel(2));
        ramp = fresh;
        return true;
    }

    bool apply(RRCrtc crtc, const GammaRamp& ramp) {
        ErrorTrap trap(display);
        const int size = gammaSize(crtc, trap);
        if (size <= 0 || trap.failed() || lost) {
            return false;
        }
        CrtcGammaPtr gamma(XRRAllocGamma(size));
        if (!gamma) {
            return false;
        }
        const auto n = static_cast<std::size_t>(size);
        ramp::spreadFrom256(ramp.channel(0), std::span<std::uint16_t>(gamma->red, n));
        ramp::spreadFrom256(ramp.channel(1), std::span<std::uint16_t>(gamma->green, n));
        ramp::spreadFrom256(ramp.channel(2), std::span<std::uint16_t>(gamma->blue, n));
        XRRSetCrtcGamma(display, crtc, gamma.get());
        // One round trip: the ramp is in place when we return, and a refusal is seen here.
        XSync(display, False);
        afterRoundTrip();
        if (trap.failed()) {
            // A CRTC gone since the list was made may come back with another size.
            sizes.erase(crtc);
        }
        return !trap.failed() && !lost;
    }
};

X11DisplayGamma::X11DisplayGamma(std::string displayName) : displayName_(std::move(displayName)) {}

std::string X11DisplayGamma::journalKeyOf(const std::string& displayName) {
    // [protocol/][host]:number[.screen]
    const std::size_t colon = displayName.rfind(':');
    if (colon == std::string::npos) {
        return displayName;
    }
    std::string host = displayName.substr(0, colon);
    std::string protocol;
    if (const std::size_t slash = host.find('/'); slash != std::string::npos) {
        protocol = host.substr(0, slash);
        host.erase(0, slash + 1);
    }
    // The local socket, however it is spelt. "localhost" stays apart: it is reached over TCP,
    // where an ssh session's forwarded display lives, not this machine's own server.
    if (host == "unix" || protocol == "unix" || protocol == "local") {
        host.clear();
    }
    const std::string number = displayName.substr(colon + 1);
    return host + ":" + number.substr(0, number.find('.'));
}

X11DisplayGamma::~X11DisplayGamma() = default;

// The open connection, opened on first use. A display that cannot be opened or has no usable
// RandR is not tried again: the answer would not change for this process.
X11DisplayGamma::Connection* X11DisplayGamma::connection() {
    if (!tried_) {
        tried_ = true;
        Display* display = XOpenDisplay(displayName_.empty() ? nullptr : displayName_.c_str());
        if (display == nullptr) {
            refusal_ = "no X display could be opened";
            return nullptr;
        }
        auto c = std::make_unique<Connection>(*this, display);
        bool usable = false;
        {
            ErrorTrap trap(display);
            usable = c->hasRandr13() && !trap.failed() && !c->lost;
        }
        if (!usable) {
            refusal_ = "the X server offers no RandR 1.3, through which gamma tables are set";
            return nullptr;
        }
        journalKey_ = journalKeyOf(DisplayString(display));
        c->watch();
        connection_ = std::move(c);
    }
    if (connection_ && connection_->lost) {
        refusal_ = "the connection to the X server was lost";
        return nullptr;
    }
    return connection_.get();
}

std::vector<DisplayGamma::Output> X11DisplayGamma::outputs() {
    Connection* c = connection();
    if (c == nullptr) {
        return {};
    }
    std::vector<Output> list = c->outputs();
    if (list.empty() && !c->lost) {
        refusal_ = "no CRTC of the X server has a gamma table";
    }
    return list;
}

bool X11DisplayGamma::read(OutputId id, GammaRamp& ramp) {
    Connection* c = connection();
    return c != nullptr && c->read(static_cast<RRCrtc>(id), ramp);
}

bool X11DisplayGamma::apply(OutputId id, const GammaRamp& ramp) {
    Connection* c = connection();
    if (c == nullptr) {
        return false;
    }
    if (!c->apply(static_cast<RRCrtc>(id), ramp)) {
        refusal_ = "the X server refused the gamma ramps";
        return false;
    }
    refusal_.clear();
    return true;
}
