#include "platform/win32/Win32ResetNotifications.h"

#include <wtsapi32.h>

#include <cstring>

namespace {

// Each reports the display's state as a DWORD: 0 off, 1 on (2 dimmed for the first two).
const GUID* const kDisplaySettings[] = {&GUID_CONSOLE_DISPLAY_STATE, &GUID_SESSION_DISPLAY_STATUS,
                                        &GUID_MONITOR_POWER_ON};

}  // namespace

Win32ResetNotifications::Win32ResetNotifications(HWND window) : window_(window) {
    static_assert(sizeof power_ / sizeof power_[0] == sizeof kDisplaySettings / sizeof(GUID*));
    for (std::size_t i = 0; i < sizeof power_ / sizeof power_[0]; ++i) {
        power_[i] = RegisterPowerSettingNotification(window_, kDisplaySettings[i],
                                                     DEVICE_NOTIFY_WINDOW_HANDLE);
    }
    session_ = WTSRegisterSessionNotification(window_, NOTIFY_FOR_THIS_SESSION) != FALSE;
}

Win32ResetNotifications::~Win32ResetNotifications() {
    for (HPOWERNOTIFY handle : power_) {
        if (handle != nullptr) {
            UnregisterPowerSettingNotification(handle);
        }
    }
    if (session_) {
        WTSUnRegisterSessionNotification(window_);
    }
}

bool Win32ResetNotifications::isReset(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_WTSSESSION_CHANGE) {
        return wParam == WTS_SESSION_UNLOCK || wParam == WTS_CONSOLE_CONNECT;
    }
    if (message != WM_POWERBROADCAST || wParam != PBT_POWERSETTINGCHANGE || lParam == 0) {
        return false;
    }
    const auto* setting = reinterpret_cast<const POWERBROADCAST_SETTING*>(lParam);
    if (setting->DataLength < sizeof(DWORD)) {
        return false;
    }
    DWORD state = 0;
    std::memcpy(&state, setting->Data, sizeof state);
    for (const GUID* guid : kDisplaySettings) {
        if (IsEqualGUID(setting->PowerSetting, *guid)) {
            return state == 1;
        }
    }
    return false;
}
