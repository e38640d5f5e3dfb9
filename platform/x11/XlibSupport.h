#pragma once

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <memory>
#include <string>

// What the tool's X connections share: RAII for RandR's replies, an error trap, and the name a
// CRTC goes by.
namespace xlib {

struct ScreenResourcesDeleter {
    void operator()(XRRScreenResources* p) const { XRRFreeScreenResources(p); }
};
struct CrtcInfoDeleter {
    void operator()(XRRCrtcInfo* p) const { XRRFreeCrtcInfo(p); }
};
struct OutputInfoDeleter {
    void operator()(XRROutputInfo* p) const { XRRFreeOutputInfo(p); }
};
using ScreenResourcesPtr = std::unique_ptr<XRRScreenResources, ScreenResourcesDeleter>;
using CrtcInfoPtr = std::unique_ptr<XRRCrtcInfo, CrtcInfoDeleter>;
using OutputInfoPtr = std::unique_ptr<XRROutputInfo, OutputInfoDeleter>;

// Xlib's default handlers end the process. While one of our operations runs, a protocol error
// (a CRTC or window that vanished between two requests, say) or a lost connection must only make
// that operation fail. The handlers are process-wide, so the previous ones are put back
// afterwards and errors that belong to another connection are passed on to them.
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

// The name a CRTC goes by: its connected output's RandR name ("DP-1"), else its first output's,
// else "CRTC <id>". Every X11 part names outputs so, for they meet by name.
inline std::string crtcName(Display* display, XRRScreenResources* resources, RRCrtc crtc,
                            const XRRCrtcInfo& info) {
    std::string name;
    for (int k = 0; k < info.noutput; ++k) {
        OutputInfoPtr out(XRRGetOutputInfo(display, resources, info.outputs[k]));
        if (out && (name.empty() || out->connection == RR_Connected)) {
            name.assign(out->name, static_cast<std::size_t>(out->nameLen));
        }
    }
    return name.empty() ? "CRTC " + std::to_string(crtc) : name;
}

}  // namespace xlib
