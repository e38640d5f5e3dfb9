#include "platform/win32/Win32SystemEvents.h"

#include <gtest/gtest.h>

#include <string>

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
    const struct {
        UINT message;
        WPARAM wParam;
        LRESULT result;
        const char* calls;
    } cases[] = {
        {WM_DISPLAYCHANGE, 32, 0, "display "},
        {WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, TRUE, "resume "},
        {WM_POWERBROADCAST, PBT_APMSUSPEND, TRUE, ""},
        {WM_QUERYENDSESSION, 0, TRUE, ""},
        {WM_ENDSESSION, FALSE, 0, ""},  // the end was called off
        {WM_ENDSESSION, TRUE, 0, "end "},
    };
    for (const auto& c : cases) {
        calls.clear();
        EXPECT_EQ(SendMessageW(events.window(), c.message, c.wParam, 0), c.result) << c.message;
        EXPECT_EQ(calls, c.calls) << c.message << " " << c.wParam;
    }
}
