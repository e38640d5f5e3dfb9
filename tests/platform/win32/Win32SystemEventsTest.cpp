#include "platform/win32/Win32SystemEvents.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

// A power-setting notification's block: the setting and its DWORD state.
struct PowerSetting {
    alignas(POWERBROADCAST_SETTING) unsigned char bytes[sizeof(POWERBROADCAST_SETTING) + 4] = {};
    PowerSetting(const GUID& guid, DWORD state) {
        auto* s = reinterpret_cast<POWERBROADCAST_SETTING*>(bytes);
        s->PowerSetting = guid;
        s->DataLength = sizeof state;
        std::memcpy(s->Data, &state, sizeof state);
    }
    LPARAM lParam() { return reinterpret_cast<LPARAM>(bytes); }
};

}  // namespace

// The system's broadcasts reach only top-level windows: the events window is one, never shown,
// and each message calls what it stands for, and nothing else.
TEST(Win32SystemEvents, EachBroadcastCallsWhatItStandsFor) {
    Win32SystemEvents events;
    ASSERT_NE(events.window(), nullptr);
    EXPECT_EQ(GetAncestor(events.window(), GA_PARENT), GetDesktopWindow()) << "not message-only";
    EXPECT_FALSE(IsWindowVisible(events.window()));

    std::string calls;
    events.onDisplayChange = [&calls] { calls += "display "; };
    events.onResume = [&calls] { calls += "resume "; };
    events.onEndSession = [&calls] { calls += "end "; };
    events.onDisplaysReset = [&calls] { calls += "reset "; };
    PowerSetting consoleOn(GUID_CONSOLE_DISPLAY_STATE, 1),
        consoleDimmed(GUID_CONSOLE_DISPLAY_STATE, 2), sessionOn(GUID_SESSION_DISPLAY_STATUS, 1),
        monitorOn(GUID_MONITOR_POWER_ON, 1), monitorOff(GUID_MONITOR_POWER_ON, 0),
        otherOn(GUID_ACDC_POWER_SOURCE, 1);
    const struct {
        UINT message;
        WPARAM wParam;
        LRESULT result;
        const char* calls;
        LPARAM lParam = 0;
    } cases[] = {
        // The display back on, or the session back at the screen: the ramps may be reset.
        {WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, TRUE, "reset ", consoleOn.lParam()},
        {WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, TRUE, "reset ", sessionOn.lParam()},
        {WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, TRUE, "reset ", monitorOn.lParam()},
        {WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, TRUE, "", consoleDimmed.lParam()},
        {WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, TRUE, "", monitorOff.lParam()},
        {WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, TRUE, "", otherOn.lParam()},
        {WM_WTSSESSION_CHANGE, WTS_SESSION_UNLOCK, 0, "reset "},
        {WM_WTSSESSION_CHANGE, WTS_CONSOLE_CONNECT, 0, "reset "},
        {WM_WTSSESSION_CHANGE, WTS_SESSION_LOCK, 0, ""},
        {WM_DISPLAYCHANGE, 32, 0, "display "},
        {WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, TRUE, "resume "},
        {WM_POWERBROADCAST, PBT_APMSUSPEND, TRUE, ""},
        {WM_QUERYENDSESSION, 0, TRUE, ""},
        {WM_ENDSESSION, FALSE, 0, ""},  // the end was called off
        {WM_ENDSESSION, TRUE, 0, "end "},
    };
    for (const auto& c : cases) {
        calls.clear();
        EXPECT_EQ(SendMessageW(events.window(), c.message, c.wParam, c.lParam), c.result)
            << c.message;
        EXPECT_EQ(calls, c.calls) << c.message << " " << c.wParam;
    }
}
