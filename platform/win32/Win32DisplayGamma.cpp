#include "platform/win32/Win32DisplayGamma.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdint>

namespace {

// The whole screen's device context for the length of one operation; released on every path.
class ScreenDc {
  public:
    ScreenDc() : window_(GetDesktopWindow()), dc_(GetDC(window_)) {}
    ~ScreenDc() {
        if (dc_ != nullptr) {
            ReleaseDC(window_, dc_);
        }
    }
    ScreenDc(const ScreenDc&) = delete;
    ScreenDc& operator=(const ScreenDc&) = delete;

    HDC get() const { return dc_; }

  private:
    HWND window_;
    HDC dc_;
};

static_assert(sizeof(WORD) == sizeof(std::uint16_t), "GDI ramps are 16-bit words");

}  // namespace

std::vector<DisplayGamma::Output> Win32DisplayGamma::outputs() {
    return {Output{0, "screen", 256, true}};
}

bool Win32DisplayGamma::read(OutputId id, GammaRamp& ramp) {
    ScreenDc dc;
    if (id != 0 || dc.get() == nullptr) {
        return false;
    }
    // Read into a scratch ramp so that a failed call leaves the caller's untouched.
    GammaRamp fresh;
    if (!GetDeviceGammaRamp(dc.get(), fresh.words.data())) {
        return false;
    }
    ramp = fresh;
    return true;
}

bool Win32DisplayGamma::apply(OutputId id, const GammaRamp& ramp) {
    ScreenDc dc;
    if (id != 0 || dc.get() == nullptr) {
        return false;
    }
    // The call takes a non-const pointer but only reads the block.
    GammaRamp copy = ramp;
    return SetDeviceGammaRamp(dc.get(), copy.words.data()) != FALSE;
}
