// Preloaded into the tool by the kill-at-any-moment test: ends the process with SIGKILL on entry
// to its N-th ramp write (XRRSetCrtcGamma) or crash-journal save (a rename onto a ".journal"
// file), N taken from DIMWARDEN_KILL_AT, so that the test can stop a start at each such moment.
#include <X11/extensions/Xrandr.h>
#include <dlfcn.h>

#include <csignal>
#include <cstdlib>
#include <cstring>

namespace {

void step() {
    static const long killAt = [] {
        const char* value = std::getenv("DIMWARDEN_KILL_AT");
        return value != nullptr ? std::atol(value) : 0L;
    }();
    static long events = 0;
    if (++events == killAt) {
        std::raise(SIGKILL);
    }
}

}  // namespace

extern "C" void XRRSetCrtcGamma(Display* display, RRCrtc crtc, XRRCrtcGamma* gamma) {
    using Next = void (*)(Display*, RRCrtc, XRRCrtcGamma*);
    static const auto next = reinterpret_cast<Next>(dlsym(RTLD_NEXT, "XRRSetCrtcGamma"));
    step();
    next(display, crtc, gamma);
}

extern "C" int rename(const char* from, const char* to) noexcept {
    using Next = int (*)(const char*, const char*);
    static const auto next = reinterpret_cast<Next>(dlsym(RTLD_NEXT, "rename"));
    const std::size_t n = std::strlen(to);
    if (n >= 8 && std::strcmp(to + n - 8, ".journal") == 0) {
        step();
    }
    return next(from, to);
}
