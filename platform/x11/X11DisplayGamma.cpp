#include "platform/x11/X11DisplayGamma.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <cstddef>
#include <cstdio>
#include <memory>
#include <span>
#include <string>
#include <utility>

#include "gamma/RampMath.h"

namespace {

struct ScreenResourcesDeleter {
    void operator()(XRRScreenResources* p) const { XRRFreeScreenResources(p); }
};
struct OutputInfoDeleter {
    void operator()(XRROutputInfo* p) const { XRRFreeOutputInfo(p); }
};
struct CrtcGammaDeleter {
    void operator()(XRRCrtcGamma* p) const { XRRFreeGamma(p); }
};
using ScreenResourcesPtr = std::unique_ptr<XRRScreenResources, ScreenResourcesDeleter>;
using OutputInfoPtr = std::unique_ptr<XRROutputInfo, OutputInfoDeleter>;
using CrtcGammaPtr = std::unique_ptr<XRRCrtcGamma, CrtcGammaDeleter>;

// Xlib's default handlers end the process. While one of our operations runs, a protocol error
// (a CRTC that vanished between two requests, say) or a lost connection must only make that
// operation fail. The handlers are process-wide, so the previous ones are put back afterwards and
// errors that belong to another connection are passed on to them.
class ErrorTrap {
  public:
    explicit ErrorTrap(Display* display) : display_(display), outer_(active_) {
        active_ = this;
        previous_ = XSetErrorHandler(&ErrorTrap::onError);
        previousIo_ = XSetIOErrorHandler(&ErrorTrap::onIoError);
    }
    ~ErrorTrap() {
        XSetErrorHandler(previous_);
        XSetIOErrorHandler(previousIo_);
        active_ = outer_;
    }
    ErrorTrap(const ErrorTrap&) = delete;
    ErrorTrap& operator=(const ErrorTrap&) = delete;

    bool failed() const { return failed_; }

  private:
    static int onError(Display* display, XErrorEvent* event) {
        if (active_ != nullptr && display == active_->display_) {
            active_->failed_ = true;
            return 0;
        }
        return active_ != nullptr && active_->previous_ != nullptr
                   ? active_->previous_(display, event)
                   : 0;
    }
    static int onIoError(Display* display) {
        if (active_ != nullptr && display == active_->display_) {
            active_->failed_ = true;
            return 0;
        }
        return active_ != nullptr && active_->previousIo_ != nullptr ? active_->previousIo_(display)
                                                                     : 0;
    }

    static inline ErrorTrap* active_ = nullptr;
    Display* display_;
    ErrorTrap* outer_;
    XErrorHandler previous_ = nullptr;
    XIOErrorHandler previousIo_ = nullptr;
    bool failed_ = false;
};

// Nothing else tells anyone why the screen stays untinted, so each reason is said once on stderr.
void explain(const char* why) {
    std::fprintf(stderr, "dimwarden: %s; the screen cannot be tinted\n", why);
}

// CRTC gamma needs RandR 1.2, the cheap resource query 1.3.
bool hasRandr13(Display* display) {
    int eventBase = 0;
    int errorBase = 0;
    int major = 0;
    int minor = 0;
    return XRRQueryExtension(display, &eventBase, &errorBase) &&
           XRRQueryVersion(display, &major, &minor) && (major > 1 || (major == 1 && minor >= 3));
}

}  // namespace

struct X11DisplayGamma::Connection {
    Display* display = nullptr;
    bool lost = false;  // the server went away; the connection is unusable
    // A CRTC's table size is fixed by its hardware, so it is asked once per CRTC, not per apply.
    RRCrtc sizedCrtc = None;
    int crtcSize = 0;
    // Reasons already explained, until an operation succeeds again.
    enum Reason : unsigned { NoCrtc = 1, NoGammaTable = 2 };
    unsigned explained = 0;

    explicit Connection(Display* d) : display(d) {
        // Without this Xlib would exit the process when the server goes away.
        XSetIOErrorExitHandler(display, &Connection::onIoExit, this);
    }
    ~Connection() {
        ErrorTrap trap(display);
        XCloseDisplay(display);
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    static void onIoExit(Display*, void* self) { static_cast<Connection*>(self)->lost = true; }

    // The open connection of `owner`, opened on first use. A display that cannot be opened or
    // has no usable RandR is not tried again: the answer would not change for this process.
    static Connection* of(X11DisplayGamma& owner) {
        if (!owner.tried_) {
            owner.tried_ = true;
            owner.connection_ = open(owner.displayName_);
        }
        Connection* c = owner.connection_;
        return c != nullptr && !c->lost ? c : nullptr;
    }

    static Connection* open(const std::string& name) {
        Display* display = XOpenDisplay(name.empty() ? nullptr : name.c_str());
        if (display == nullptr) {
            explain("cannot open the X display");
            return nullptr;
        }
        auto connection = std::make_unique<Connection>(display);
        ErrorTrap trap(display);
        if (!hasRandr13(display) || trap.failed() || connection->lost) {
            explain("the X display has no RandR 1.3");
            return nullptr;
        }
        return connection.release();
    }

    // The CRTC that drives the primary display, or None. Looked up afresh every time so that
    // outputs plugged in or out since the last call are taken into account.
    RRCrtc primaryCrtc() const {
        const Window root = DefaultRootWindow(display);
        ScreenResourcesPtr resources(XRRGetScreenResourcesCurrent(display, root));
        if (!resources) {
            return None;
        }
        const RROutput primary = XRRGetOutputPrimary(display, root);
        if (primary != None) {
            OutputInfoPtr info(XRRGetOutputInfo(display, resources.get(), primary));
            if (info && info->crtc != None) {
                return info->crtc;
            }
        }
        for (int i = 0; i < resources->noutput; ++i) {
            OutputInfoPtr info(XRRGetOutputInfo(display, resources.get(), resources->outputs[i]));
            if (info && info->connection == RR_Connected && info->crtc != None) {
                return info->crtc;
            }
        }
        return resources->ncrtc > 0 ? resources->crtcs[0] : None;
    }

    bool fail(Reason reason, const char* why) {
        if ((explained & reason) == 0) {
            explained |= reason;
            explain(why);
        }
        return false;
    }
    bool noCrtc() { return fail(NoCrtc, "the display has no CRTC"); }
    bool noGammaTable() { return fail(NoGammaTable, "the display's CRTC has no gamma table"); }

    bool read(GammaRamp& ramp) {
        ErrorTrap trap(display);
        const RRCrtc crtc = primaryCrtc();
        if (crtc == None) {
            return trap.failed() || lost ? false : noCrtc();
        }
        // The reply carries the table size, so no separate size request is needed here.
        CrtcGammaPtr gamma(XRRGetCrtcGamma(display, crtc));
        if (!gamma || trap.failed() || lost) {
            return false;
        }
        if (gamma->size <= 0) {
            return noGammaTable();
        }
        explained = 0;
        sizedCrtc = crtc;
        crtcSize = gamma->size;
        const auto n = static_cast<std::size_t>(gamma->size);
        GammaRamp fresh;
        ramp::sampleTo256(std::span<const std::uint16_t>(gamma->red, n), fresh.channel(0));
        ramp::sampleTo256(std::span<const std::uint16_t>(gamma->green, n), fresh.channel(1));
        ramp::sampleTo256(std::span<const std::uint16_t>(gamma->blue, n), fresh.channel(2));
        ramp = fresh;
        return true;
    }

    bool apply(const GammaRamp& ramp) {
        ErrorTrap trap(display);
        const RRCrtc crtc = primaryCrtc();
        if (crtc == None) {
            return trap.failed() || lost ? false : noCrtc();
        }
        if (crtc != sizedCrtc) {
            crtcSize = XRRGetCrtcGammaSize(display, crtc);
            sizedCrtc = trap.failed() || lost ? None : crtc;
        }
        const int size = crtcSize;
        if (trap.failed() || lost) {
            return false;
        }
        if (size <= 0) {
            return noGammaTable();
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
        if (trap.failed() || lost) {
            return false;
        }
        explained = 0;
        return true;
    }
};

X11DisplayGamma::X11DisplayGamma(std::string displayName) : displayName_(std::move(displayName)) {}

X11DisplayGamma::~X11DisplayGamma() {
    delete connection_;
}

bool X11DisplayGamma::read(GammaRamp& ramp) {
    Connection* c = Connection::of(*this);
    return c != nullptr && c->read(ramp);
}

bool X11DisplayGamma::apply(const GammaRamp& ramp) {
    Connection* c = Connection::of(*this);
    return c != nullptr && c->apply(ramp);
}
