// Costs of the ramp engine: building one adjusted ramp, and one apply through the X11 backend on
// a private Xvfb over a connection that stays open.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>

#include "gamma/GammaRamp.h"
#include "gamma/RampMath.h"
#include "platform/x11/X11DisplayGamma.h"
#include "support/Ramps.h"
#include "support/XvfbServer.h"

namespace {

// Offsets as the sliders produce them, varied so that no branch is always taken the same way.
void BM_BuildAdjustedRamp(benchmark::State& state) {
    const GammaRamp saved = calibrated();
    GammaRamp out;
    int step = 0;
    for (auto _ : state) {
        const int red = -(step % 41);
        const int green = -((step + 13) % 41);
        const int blue = -((step + 27) % 41);
        ramp::buildAdjusted(saved, red, green, blue, out);
        benchmark::DoNotOptimize(out);
        benchmark::ClobberMemory();
        ++step;
    }
}
BENCHMARK(BM_BuildAdjustedRamp);

// One server for all X11 benchmarks, started on first use and stopped at exit.
XvfbServer* sharedServer() {
    static std::unique_ptr<XvfbServer> server =
        XvfbServer::available() ? std::make_unique<XvfbServer>() : nullptr;
    return server && server->running() ? server.get() : nullptr;
}

void BM_X11Apply(benchmark::State& state) {
    XvfbServer* server = sharedServer();
    if (server == nullptr) {
        state.SkipWithError("no Xvfb to measure against");
        return;
    }
    X11DisplayGamma backend(server->display());
    const auto list = backend.outputs();
    const DisplayGamma::OutputId id = list.empty() ? 0 : list.front().id;
    GammaRamp ramps[2];
    ramp::buildAdjusted(calibrated(), -40, -20, -10, ramps[0]);
    ramps[1] = calibrated();
    if (!backend.apply(id, ramps[1])) {  // opens the connection outside the timed loop
        state.SkipWithError("apply through X11DisplayGamma failed");
        return;
    }
    std::size_t k = 0;
    for (auto _ : state) {
        if (!backend.apply(id, ramps[k++ & 1])) {
            state.SkipWithError("apply through X11DisplayGamma failed");
            break;
        }
    }
}
BENCHMARK(BM_X11Apply)->Unit(benchmark::kMicrosecond);

void BM_X11Read(benchmark::State& state) {
    XvfbServer* server = sharedServer();
    if (server == nullptr) {
        state.SkipWithError("no Xvfb to measure against");
        return;
    }
    X11DisplayGamma backend(server->display());
    const auto list = backend.outputs();
    const DisplayGamma::OutputId id = list.empty() ? 0 : list.front().id;
    GammaRamp ramp;
    if (!backend.apply(id, calibrated())) {
        state.SkipWithError("apply through X11DisplayGamma failed");
        return;
    }
    for (auto _ : state) {
        if (!backend.read(id, ramp)) {
            state.SkipWithError("read through X11DisplayGamma failed");
            break;
        }
        benchmark::DoNotOptimize(ramp);
    }
}
BENCHMARK(BM_X11Read)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
