// Figures on a private Xorg with the dummy driver (needs root and xserver-xorg-video-dummy):
//   - a brightness move (one SetGamma, journal included) with 1, 2 and 4 lit outputs
//     (target: at most 1 ms per output),
//   - the time from an output's enabling to its tinted ramp, through the real binary
//     (target: at most 100 ms),
//   - CPU ticks used by the real binary over 10 idle seconds with four outputs (target: 0).
// Figures are printed; no target ever fails the run.
#include <benchmark/benchmark.h>

#if __has_include("support/XorgDummyServer.h")

#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#include "gamma/GammaEngine.h"
#include "platform/linux/RuntimeJournalStore.h"
#include "platform/x11/X11DisplayGamma.h"
#include "support/E2eSupport.h"
#include "support/XorgDummyServer.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

XorgDummyServer* sharedServer() {
    static std::unique_ptr<XorgDummyServer> server =
        XorgDummyServer::unavailable().empty() ? std::make_unique<XorgDummyServer>() : nullptr;
    return server && server->running() ? server.get() : nullptr;
}

// DUMMY0..n-1 lit, the rest of the first four off.
bool lightExactly(XorgDummyServer& x, int n) {
    for (int k = 1; k < 4; ++k) {
        if (!(k < n ? x.enable(k, 1024 * k) : x.disable(k))) {
            return false;
        }
    }
    return true;
}

void BM_BrightnessMove(benchmark::State& state) {
    XorgDummyServer* x = sharedServer();
    const int n = static_cast<int>(state.range(0));
    if (x == nullptr || !lightExactly(*x, n)) {
        state.SkipWithError(("no dummy Xorg: " + XorgDummyServer::unavailable()).c_str());
        return;
    }
    X11DisplayGamma display(x->display());
    // The journal on a tmpfs, as $XDG_RUNTIME_DIR is in a session.
    QTemporaryDir runtime(QStringLiteral("/dev/shm/dimwarden-bench-XXXXXX"));
    RuntimeJournalStore journal(runtime.isValid() ? runtime.path().toStdString() : x->runtimeDir());
    GammaEngine engine(display, &journal);
    engine.SaveGamma();
    int step = 0;
    for (auto _ : state) {
        const int o = -(step++ % 41);
        engine.SetGamma(o, o, o);
    }
    engine.SetDefault();
    engine.closeJournal();
    state.counters["outputs"] = n;
    state.counters["per_output"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * n,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_BrightnessMove)->Arg(1)->Arg(2)->Arg(4)->UseRealTime()->Unit(benchmark::kMicrosecond);

long cpuTicks(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), {});
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    long utime = 0;
    long stime = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i == 14) {
            utime = std::stol(field);
        } else if (i == 15) {
            stime = std::stol(field);
        }
    }
    return utime + stime;
}

void toolFigures() {
    XorgDummyServer* x = sharedServer();
    if (x == nullptr || !lightExactly(*x, 4)) {
        std::printf("tool figures skipped: no dummy Xorg (%s)\n",
                    XorgDummyServer::unavailable().c_str());
        return;
    }
    const GammaRamp base = e2e::fullRange();
    const GammaRamp tinted = e2e::defaultTint(base);
    for (int k = 0; k < 4; ++k) {
        x->setRamp(k, base);
    }
    ChildProcess tool({DIMWARDEN_BINARY}, x->environment(), x->folder() + "/figures.log");
    if (!waitUntil([&] { return x->ramp(3) == tinted; }, 20s)) {
        std::printf("the tool did not tint\n%s\n", tool.log().c_str());
        return;
    }

    std::this_thread::sleep_for(1s);
    const long before = cpuTicks(tool.pid());
    std::this_thread::sleep_for(10s);
    std::printf("idle CPU over 10 s with 4 outputs: %ld ticks (target 0)\n",
                cpuTicks(tool.pid()) - before);

    std::vector<double> latencies;
    std::vector<double> xrandrTimes;
    for (int round = 0; round < 7; ++round) {
        x->disable(3);
        x->setRamp(3, base);
        std::this_thread::sleep_for(200ms);
        const auto t0 = Clock::now();
        x->enable(3, 3072);
        const auto t1 = Clock::now();
        if (!waitUntil([&] { return x->ramp(3) == tinted; }, 5s)) {
            std::printf("output enabled but never tinted\n");
            return;
        }
        const auto t2 = Clock::now();
        latencies.push_back(std::chrono::duration<double, std::milli>(t2 - t1).count());
        xrandrTimes.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
    }
    std::sort(latencies.begin(), latencies.end());
    std::sort(xrandrTimes.begin(), xrandrTimes.end());
    std::printf(
        "enabling to tinted ramp (after xrandr returned), 7 rounds: median %.1f ms, max %.1f ms "
        "(target <= 100 ms); xrandr itself: median %.1f ms\n",
        latencies[latencies.size() / 2], latencies.back(), xrandrTimes[xrandrTimes.size() / 2]);
    tool.signal(SIGTERM);
    tool.waitExit(10s);
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    toolFigures();
    return 0;
}

#else

int main() {
    std::puts("multi_output_figures needs the test support library (DIMWARDEN_TESTS=ON)");
    return 0;
}

#endif
