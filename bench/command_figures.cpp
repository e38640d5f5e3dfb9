// How fast a command reaches the running tool, on a private Xvfb and a private session bus:
//   - `dimwarden --color` sent to a running instance until the ramp on the display changed
//     (median of 20), beside
//   - the tool's own start until its tint is on the display (median of 5; goal: the command
//     takes at most a third of it), and
//   - `gdbus call` setting the same property until the ramp changed (median of 20; goal: the
//     command takes at most 1.5 times as long).
// Figures are printed; no goal ever fails the run.
#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <thread>

#include "support/E2eSupport.h"
#include "support/PrivateBus.h"

namespace {

using namespace std::chrono_literals;
using e2e::ChildProcess;
using e2e::Clock;

constexpr int kRuns = 20;
constexpr int kStarts = 5;

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n == 0 ? -1 : (n % 2 == 1 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2);
}

// Milliseconds from `action` until the display carries `expected`, or -1 past the deadline.
template <typename Action>
double msUntilRamp(const std::string& display, const GammaRamp& expected, Action&& action) {
    const auto t0 = Clock::now();
    const auto running = action();  // kept alive while the ramp is awaited
    (void)running;
    while (Clock::now() - t0 < e2e::kStepTimeout) {
        if (readCrtcRamp(display) == expected) {
            return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
        }
        std::this_thread::sleep_for(200us);
    }
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    e2e::Session session;
    PrivateBus bus;
    if (!session.ready() || !bus.running()) {
        std::fprintf(stderr, "no Xvfb or no dbus-daemon: %s %s\n", session.error().c_str(),
                     bus.error().toStdString().c_str());
        return 1;
    }
    session.useSessionBus(bus.address());
    const std::string& display = session.display();
    const GammaRamp base = e2e::fullRange();

    // The tool's own start: each one a first run on the full-range ramp.
    std::vector<double> starts;
    std::unique_ptr<ChildProcess> tool;
    for (int i = 0; i < kStarts; ++i) {
        if (tool) {
            tool->signal(SIGTERM);
            tool->waitExit(e2e::kStepTimeout);
        }
        std::filesystem::remove(session.settingsPath());
        session.setRamp(base);
        starts.push_back(msUntilRamp(display, e2e::defaultTint(base), [&] {
            tool = session.startTool();
            return 0;
        }));
    }
    // Ready for commands once the name is on the bus.
    const QProcessEnvironment env = session.environment();
    waitUntil(
        [&] {
            return runCommand({DIMWARDEN_BINARY, "--status"}, env).status == 0;
        },
        e2e::kStartTimeout);

    const std::pair<const char*, GammaRamp> colours[] = {{"#FF0000", e2e::keep(base, 40, 20, 20)},
                                                         {"#0000FF", e2e::keep(base, 20, 20, 40)}};
    std::vector<double> commands;
    std::vector<double> gdbus;
    // Each sets the colour the other took away, so every run changes the ramp.
    for (int i = 0; i < kRuns; ++i) {
        const auto& [colour, ramp] = colours[0];
        commands.push_back(msUntilRamp(display, ramp, [&] {
            return std::make_unique<ChildProcess>(
                std::vector<std::string>{DIMWARDEN_BINARY, "--color", colour}, env);
        }));
        const auto& [other, otherRamp] = colours[1];
        gdbus.push_back(msUntilRamp(display, otherRamp, [&] {
            return std::make_unique<ChildProcess>(
                std::vector<std::string>{
                    "gdbus", "call", "--session", "--dest", "io.github.dimwarden.Dimwarden",
                    "--object-path", "/io/github/dimwarden/Dimwarden", "--method",
                    "org.freedesktop.DBus.Properties.Set", "io.github.dimwarden.Dimwarden", "Color",
                    std::string("<'") + other + "'>"},
                env);
        }));
    }
    tool->signal(SIGTERM);
    tool->waitExit(e2e::kStepTimeout);

    const double start = median(starts);
    const double command = median(commands);
    const double call = median(gdbus);
    std::printf("start -> tint (median of %d):                 %7.1f ms\n", kStarts, start);
    std::printf(
        "dimwarden --color -> ramp changed (median of %d): %7.1f ms  (%.2f of the start; "
        "goal <= 0.33)\n",
        kRuns, command, command / start);
    std::printf(
        "gdbus call Set Color -> ramp changed (median of %d): %7.1f ms  (command / gdbus "
        "= %.2f; goal <= 1.5)\n",
        kRuns, call, command / call);
    const bool missed = std::count(starts.begin(), starts.end(), -1.0) +
                            std::count(commands.begin(), commands.end(), -1.0) +
                            std::count(gdbus.begin(), gdbus.end(), -1.0) >
                        0;
    if (missed) {
        std::printf("(some runs never saw the ramp change; they count as -1)\n");
    }
    return 0;
}
