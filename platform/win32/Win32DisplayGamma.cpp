#include "platform/win32/Win32DisplayGamma.h"

#include "gamma/RampMath.h"
#include "platform/win32/common/WinText.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdint>
#include <map>

namespace {

static_assert(sizeof(WORD) == sizeof(std::uint16_t), "GDI ramps are 16-bit words");

// One device's context for the length of one operation; deleted on every path.
class DeviceDc {
  public:
    explicit DeviceDc(const std::wstring& device)
        : dc_(device.empty() ? nullptr : CreateDCW(L"DISPLAY", device.c_str(), nullptr, nullptr)) {}
    ~DeviceDc() {
        if (dc_ != nullptr) {
            DeleteDC(dc_);
        }
    }
    DeviceDc(const DeviceDc&) = delete;
    DeviceDc& operator=(const DeviceDc&) = delete;

    HDC get() const { return dc_; }

  private:
    HDC dc_;
};

// The monitors' own names ("DELL U2415") by GDI device name, as the display settings show them.
// Empty where the system does not give them (Wine, older drivers); the device's monitor string
// serves then.
std::map<std::wstring, std::wstring> friendlyNames() {
    std::map<std::wstring, std::wstring> names;
    UINT32 pathCount = 0;
    UINT32 modeCount = 0;
    if (GetDisplayConfigBufferSizes(QDC_ONLY_ACTIVE_PATHS, &pathCount, &modeCount) !=
        ERROR_SUCCESS) {
        return names;
    }
    std::vector<DISPLAYCONFIG_PATH_INFO> paths(pathCount);
    std::vector<DISPLAYCONFIG_MODE_INFO> modes(modeCount);
    if (QueryDisplayConfig(QDC_ONLY_ACTIVE_PATHS, &pathCount, paths.data(), &modeCount,
                           modes.data(), nullptr) != ERROR_SUCCESS) {
        return names;
    }
    paths.resize(pathCount);
    for (const DISPLAYCONFIG_PATH_INFO& path : paths) {
        DISPLAYCONFIG_SOURCE_DEVICE_NAME source = {};
        source.header.type = DISPLAYCONFIG_DEVICE_INFO_GET_SOURCE_NAME;
        source.header.size = sizeof source;
        source.header.adapterId = path.sourceInfo.adapterId;
        source.header.id = path.sourceInfo.id;
        DISPLAYCONFIG_TARGET_DEVICE_NAME target = {};
        target.header.type = DISPLAYCONFIG_DEVICE_INFO_GET_TARGET_NAME;
        target.header.size = sizeof target;
        target.header.adapterId = path.targetInfo.adapterId;
        target.header.id = path.targetInfo.id;
        if (DisplayConfigGetDeviceInfo(&source.header) == ERROR_SUCCESS &&
            DisplayConfigGetDeviceInfo(&target.header) == ERROR_SUCCESS &&
            target.monitorFriendlyDeviceName[0] != L'\0') {
            names[source.viewGdiDeviceName] = target.monitorFriendlyDeviceName;
        }
    }
    return names;
}

// The devices themselves: a context for the length of one call.
class GdiDeviceRamps : public Win32DisplayGamma::DeviceRamps {
  public:
    bool get(const std::wstring& device, GammaRamp& ramp) override {
        DeviceDc dc(device);
        return dc.get() != nullptr && GetDeviceGammaRamp(dc.get(), ramp.words.data());
    }
    bool set(const std::wstring& device, const GammaRamp& ramp) override {
        DeviceDc dc(device);
        // The call takes a non-const pointer but only reads the block.
        GammaRamp copy = ramp;
        return dc.get() != nullptr && SetDeviceGammaRamp(dc.get(), copy.words.data());
    }
};

}  // namespace

Win32DisplayGamma::Win32DisplayGamma(DeviceRamps* devices)
    : gdi_(devices != nullptr ? nullptr : std::make_unique<GdiDeviceRamps>()),
      devices_(devices != nullptr ? *devices : *gdi_) {}

DisplayGamma::OutputId Win32DisplayGamma::idOf(const std::wstring& deviceName) {
    // FNV-1a 64 over the UTF-16 units.
    std::uint64_t hash = 0xcbf29ce484222325ull;
    for (wchar_t unit : deviceName) {
        hash ^= static_cast<std::uint16_t>(unit);
        hash *= 0x100000001b3ull;
    }
    return hash;
}

std::vector<DisplayGamma::Output> Win32DisplayGamma::outputs() {
    const std::map<std::wstring, std::wstring> friendly = friendlyNames();
    std::vector<Output> list;
    names_.clear();
    DISPLAY_DEVICEW device = {};
    device.cb = sizeof device;
    for (DWORD i = 0; EnumDisplayDevicesW(nullptr, i, &device, 0); ++i, device.cb = sizeof device) {
        // Mirroring drivers (remote-control and screen-capture software) have no screen of their
        // own to tint.
        if ((device.StateFlags & DISPLAY_DEVICE_MIRRORING_DRIVER) != 0) {
            continue;
        }
        const std::wstring gdiName = device.DeviceName;
        std::wstring monitor;
        if (const auto it = friendly.find(gdiName); it != friendly.end()) {
            monitor = it->second;
        } else {
            DISPLAY_DEVICEW attached = {};
            attached.cb = sizeof attached;
            if (EnumDisplayDevicesW(device.DeviceName, 0, &attached, 0)) {
                monitor = attached.DeviceString;
            }
        }
        Output o;
        o.id = idOf(gdiName);
        o.name = win::toUtf8(gdiName) + (monitor.empty() ? "" : " (" + win::toUtf8(monitor) + ")");
        o.gammaSize = 256;
        o.active = (device.StateFlags & DISPLAY_DEVICE_ATTACHED_TO_DESKTOP) != 0;
        list.push_back(o);
        names_.emplace_back(o.id, gdiName);
    }
    return list;
}

std::wstring Win32DisplayGamma::deviceName(OutputId id) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        for (const auto& [known, name] : names_) {
            if (known == id) {
                return name;
            }
        }
        // Not listed yet (a journal names it, or the engine asks before listing): list once.
        if (attempt == 0) {
            outputs();
        }
    }
    return {};
}

bool Win32DisplayGamma::read(OutputId id, GammaRamp& ramp) {
    const std::wstring device = deviceName(id);
    // Read into a scratch ramp so that a failed call leaves the caller's untouched.
    GammaRamp fresh;
    if (device.empty() || !devices_.get(device, fresh)) {
        return false;
    }
    ramp = fresh;
    return true;
}

bool Win32DisplayGamma::apply(OutputId id, const GammaRamp& ramp) {
    const std::wstring device = deviceName(id);
    if (device.empty()) {
        return false;
    }
    bool taken = devices_.set(device, ramp);
    // TRUE may still mean refused: the driver kept its old ramp. A device that cannot be read
    // back is taken at its word.
    GammaRamp back;
    if (taken && devices_.get(device, back) && !ramp::matchesWritten(back, ramp, 256)) {
        taken = false;
    }
    if (taken) {
        anyTaken_ = true;
        return true;
    }
    refused_ = true;
    if (!told_ && onRefused) {
        told_ = true;
        onRefused();
    }
    return false;
}

std::string Win32DisplayGamma::refusal() const {
    if (!refused_) {
        return {};
    }
    return anyTaken_ ? "Windows refused a ramp this far from the normal one; to allow the darker "
                       "positions, set the registry value GdiIcmGammaRange (DWORD) to 256 under "
                       "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ICM "
                       "and restart"
                     : "Windows or the display driver refused every gamma ramp";
}

void Win32DisplayGamma::displaysReset() {
    if (onReset) {
        onReset();
    }
}

void Win32DisplayGamma::displayChanged() {
    if (onOutputsChanged) {
        onOutputsChanged();
    }
}
