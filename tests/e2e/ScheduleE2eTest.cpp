// The real binary with a schedule in its settings file: the scheduled change arrives on its own,
// through the alarm, and fades to the switch's ramp.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <string>

#include "support/E2eSupport.h"
#include "support/ScopedEnv.h"

namespace e2e {
namespace {

using namespace std::chrono_literals;

using ScheduleE2e = ToolTest;

// The schedule counts in whole local minutes. Rather than wait up to a minute for the next one,
// the tool runs in a zone whose offset from UTC has seconds in it, chosen so that a local minute
// begins `lead` seconds from now.
TEST_F(ScheduleE2e, ScheduleDueInAFewSecondsFadesARunningToolToNight) {
    constexpr int lead = 8;
    const std::time_t due = std::time(nullptr) + lead;
    const int offset = static_cast<int>((60 - due % 60) % 60);  // seconds east of UTC
    // POSIX zones count west of UTC: "XYZ-0:00:ss" is ss seconds east.
    ScopedEnv zone("TZ", "XYZ-0:00:" + std::to_string(offset));
    const std::time_t localDue = due + offset;
    const int minute = static_cast<int>((localDue / 60) % (24 * 60));
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d-%02d:%02d", minute / 60, minute % 60,
                  (minute + 60) / 60 % 24, minute % 60);

    session().writeSettings(std::string("[Setting]\ncolor=65280\n[Schedule]\nschedule=") + text +
                            "\nfade=2\nautomatic=1\n");
    auto tool = session().startTool();
    // Started before the night: the schedule turns the load's tint off at once, before the
    // window (minimised, with no notification area) reaches the server.
    ASSERT_TRUE(waitForWindow(
        display(), tool->pid(),
        [](const WindowInfo& w) { return w.viewable || w.wmState == kWmStateIconic; },
        kStartTimeout))
        << tool->log();
    ASSERT_TRUE(rampBecomes(fullRange())) << tool->log();
    ASSERT_LT(std::time(nullptr), due) << "the start took longer than the lead; nothing tested";

    // At the minute the fade begins and, two seconds later, ends on the night switch's ramp.
    const GammaRamp night = keep(fullRange(), 20, 40, 20);
    EXPECT_TRUE(rampBecomes(night, std::chrono::seconds(lead + 2 + 10))) << tool->log();
    // Not before its minute and the fade. Read from the precise clock: time() reads the kernel's
    // coarse one, which lags it by up to a tick just after a second begins.
    EXPECT_GE(std::chrono::system_clock::now(),
              std::chrono::system_clock::from_time_t(due) + std::chrono::seconds(2))
        << "the night came before its minute and the fade";
    EXPECT_TRUE(tool->running());
    EXPECT_TRUE(dimwardenLines(tool->log()).empty()) << tool->log();
}

}  // namespace
}  // namespace e2e
