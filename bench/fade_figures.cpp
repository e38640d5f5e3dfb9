// CPU used by one one-minute scheduled fade: the scheduler, the engine's blended ramps and the
// final switch, on an in-memory display of one 256-entry and one 1024-entry output (the ramps are
// built, spread to the table size and stored, but reach no display server). The wall clock is
// simulated: the 1,199 steps of 50 ms run back to back and the figure is the process CPU time
// they took; once without a crash journal and once with the journal the engine keeps in
// $XDG_RUNTIME_DIR (here a fresh folder in the temporary directory), which follows every ramp
// written. Also printed: the cost of one blended ramp. Figures are printed; nothing fails.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>

#include "gamma/GammaEngine.h"
#include "platform/linux/RuntimeJournalStore.h"
#include "schedule/Scheduler.h"
#include "support/EngineScheduleTarget.h"
#include "support/MemoryClock.h"
#include "support/MemoryDisplayGamma.h"

namespace {

double cpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + ts.tv_nsec / 1e9;
}

void printFadeFigure(bool withJournal) {
    MemoryDisplayGamma display;
    display.add(1024);
    std::string folder;
    std::unique_ptr<RuntimeJournalStore> journal;
    if (withJournal) {
        std::string pattern = (std::filesystem::temp_directory_path() / "fade-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) {
            folder = pattern;
            journal = std::make_unique<RuntimeJournalStore>(folder);
            display.key = ":fade";
        }
    }
    GammaEngine engine(display, journal.get());
    engine.SaveGamma();
    EngineScheduleTarget target(engine, BgrColor(0x00FF8000), false);
    MemoryClock clock;
    MemoryAlarm alarm;
    Scheduler scheduler(target, clock, alarm);
    clock.nowMs = utcMs(2026, 1, 10, 21, 59);
    scheduler.setSchedule(*schedule::parse("22:00-07:00").schedule);
    scheduler.setFadeSeconds(60);
    scheduler.setAutomatic(true);
    scheduler.start();
    const double before = cpuSeconds();
    alarm.runUntil(clock, utcMs(2026, 1, 10, 22, 2));
    const double used = cpuSeconds() - before;
    std::printf(
        "one 60 s fade, 2 outputs (256 + 1024 entries), in memory, %s: %d blended ramps "
        "+ the switch, %.1f ms CPU (%.1f us a step); ends in night mode: %s\n",
        withJournal ? "journal in a temporary folder" : "no journal", target.blends, used * 1e3,
        used * 1e6 / (target.blends + 1), target.night ? "yes" : "NO");
    if (!folder.empty()) {
        engine.closeJournal();
        std::filesystem::remove_all(folder);
    }
}

void BM_BlendedRampOneOutput(benchmark::State& state) {
    MemoryDisplayGamma display;
    GammaEngine engine(display);
    engine.SaveGamma();
    engine.SetDefault();
    double t = 0;
    for (auto _ : state) {
        engine.SetBlend(GammaEngine::Request::night(BgrColor(0x00FF8000)), t);
        t = t >= 1.0 ? 0.0 : t + 1.0 / 1200;
        display.applied.clear();
    }
}
BENCHMARK(BM_BlendedRampOneOutput);

}  // namespace

int main(int argc, char** argv) {
    printFadeFigure(false);
    printFadeFigure(true);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
