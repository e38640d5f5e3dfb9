#pragma once

#include <windows.h>

// Runs this thread's message loop, where window messages, timers and out-of-context WinEvents
// arrive, until `done` holds or about `ms` milliseconds have passed; true if it held.
template <typename Done>
bool pumpUntil(Done done, int ms = 2000) {
    for (int i = 0; i < ms / 10 && !done(); ++i) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageW(&msg);
        }
    }
    return done();
}
