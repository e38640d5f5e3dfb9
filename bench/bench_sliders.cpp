// A brightness move as the user makes it: from the slider's change to the last of its four ramps
// applied through RandR on a private Xvfb (the window itself is drawn offscreen).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <cstdlib>
#include <memory>

#include "main_window/frmMain.h"
#include "platform/x11/X11DisplayGamma.h"
#include "support/MemoryPlatform.h"
#include "support/XvfbServer.h"
#include "views/qt/MainWindow.h"

namespace {

void BM_BrightnessMoveThroughRandR(benchmark::State& state) {
    if (!XvfbServer::available()) {
        state.SkipWithError("no Xvfb to measure against");
        return;
    }
    XvfbServer server;
    if (!server.running()) {
        state.SkipWithError("Xvfb did not start");
        return;
    }
    X11DisplayGamma display(server.display());
    MemoryPlatform memory;
    Platform platform{display,     memory.profile, memory.settingsDir, memory.tray,
                      memory.drag, memory.url,     memory.instance,    nullptr};
    frmMain form(platform);
    MainWindow window(form);
    form.SaveGamma();

    int applies = 0;
    for (auto _ : state) {
        state.PauseTiming();
        // Colour sliders apart from each other and from the target, so every one must follow.
        form.moveSlider(frmMain::Slider::HScroll1, 40);
        form.moveSlider(frmMain::Slider::HScrollRed, 35);
        form.moveSlider(frmMain::Slider::HScrollGreen, 30);
        form.moveSlider(frmMain::Slider::HScrollBlue, 25);
        state.ResumeTiming();

        // Own ramp, then red, green and blue follow: four applies.
        form.moveSlider(frmMain::Slider::HScroll1, 10);
        applies += 4;
    }
    state.counters["applies"] = benchmark::Counter(applies, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_BrightnessMoveThroughRandR)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
