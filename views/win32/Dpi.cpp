#include "views/win32/Dpi.h"

#include "forms/Layout.h"

namespace dpi {

namespace {

// Not declared by every SDK this builds with; the values are fixed by Windows.
const auto kPerMonitorAwareV2 = reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-4));
const auto kPerMonitorAware = reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-3));
constexpr int kProcessPerMonitorDpiAware = 2;
constexpr int kMonitorDpiEffective = 0;

template <typename Function>
Function lookUp(const wchar_t* module, const char* name) {
    HMODULE m = GetModuleHandleW(module);
    if (m == nullptr) {
        m = LoadLibraryW(module);
    }
    // The cast between function types is what GetProcAddress is for.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wcast-function-type"
    return m != nullptr ? reinterpret_cast<Function>(GetProcAddress(m, name)) : nullptr;
#pragma GCC diagnostic pop
}

int systemDpi() {
    HDC screen = GetDC(nullptr);
    const int d = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
    ReleaseDC(nullptr, screen);
    return d > 0 ? d : layout::kDesignDpi;
}

int ofMonitor(HMONITOR monitor) {
    using GetDpiForMonitor = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
    static const auto get = lookUp<GetDpiForMonitor>(L"shcore.dll", "GetDpiForMonitor");
    UINT x = 0;
    UINT y = 0;
    if (get != nullptr && monitor != nullptr &&
        SUCCEEDED(get(monitor, kMonitorDpiEffective, &x, &y)) && y > 0) {
        return static_cast<int>(y);
    }
    return systemDpi();
}

}  // namespace

void declareAwareness() {
    using SetContext = BOOL(WINAPI*)(HANDLE);
    using SetAwareness = HRESULT(WINAPI*)(int);
    if (const auto set = lookUp<SetContext>(L"user32.dll", "SetProcessDpiAwarenessContext")) {
        if (set(kPerMonitorAwareV2) || set(kPerMonitorAware)) {
            return;
        }
    }
    if (const auto set = lookUp<SetAwareness>(L"shcore.dll", "SetProcessDpiAwareness")) {
        if (SUCCEEDED(set(kProcessPerMonitorDpiAware))) {
            return;
        }
    }
    SetProcessDPIAware();
}

int ofWindow(HWND hwnd) {
    using GetDpiForWindow = UINT(WINAPI*)(HWND);
    static const auto get = lookUp<GetDpiForWindow>(L"user32.dll", "GetDpiForWindow");
    if (get != nullptr && hwnd != nullptr) {
        if (const UINT d = get(hwnd); d > 0) {
            return static_cast<int>(d);
        }
    }
    return ofMonitor(MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST));
}

int atPoint(POINT point) {
    return ofMonitor(MonitorFromPoint(point, MONITOR_DEFAULTTONEAREST));
}

}  // namespace dpi
