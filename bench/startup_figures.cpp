// Start-up, memory and idle figures of the real binary, each on a private Xvfb:
//   - time from the process start to the tinted ramp on the display (target: median <= 80 ms),
//   - resident memory once started (VmRSS),
//   - CPU time used over 10 idle seconds (utime + stime ticks; target: 0), also with a schedule
//     set whose next change is an hour away (its one alarm armed, no fade running).
// The same figures for a bare Qt window with the same kinds of controls give the floor that Qt
// itself sets. Figures are printed; no target ever fails the run.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QScrollBar>
#include <QWidget>
#include <algorithm>
#include <cinttypes>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>

#include "platform/x11/X11DisplayGamma.h"
#include "support/E2eSupport.h"
#include "support/PrivateBus.h"

// Last: Xlib's macros (Bool, Status, None) break Qt headers included after them.
#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

namespace {

using namespace std::chrono_literals;
using e2e::ChildProcess;
using e2e::Clock;
using e2e::Session;

constexpr const char* kBareFlag = "--bare-window";
constexpr auto kIdlePeriod = 10s;
// Enough starts that the medians and minimums hold on a busy machine.
constexpr int kStartRuns = 20;

// What a first run puts on the display.
const GammaRamp& firstRunTint() {
    static const GammaRamp tint = e2e::defaultTint();
    return tint;
}

// Reads the first CRTC's ramp over a connection that stays open, so a poll costs one round trip.
class RampWatcher {
  public:
    explicit RampWatcher(const std::string& display) : d_(XOpenDisplay(display.c_str())) {
        if (d_ != nullptr) {
            XRRScreenResources* res = XRRGetScreenResourcesCurrent(d_, DefaultRootWindow(d_));
            if (res != nullptr && res->ncrtc > 0) {
                crtc_ = res->crtcs[0];
            }
            if (res != nullptr) {
                XRRFreeScreenResources(res);
            }
        }
    }
    ~RampWatcher() {
        if (d_ != nullptr) {
            XCloseDisplay(d_);
        }
    }
    RampWatcher(const RampWatcher&) = delete;
    RampWatcher& operator=(const RampWatcher&) = delete;

    bool equals(const GammaRamp& expected) {
        if (d_ == nullptr || crtc_ == None) {
            return false;
        }
        XRRCrtcGamma* g = XRRGetCrtcGamma(d_, crtc_);
        if (g == nullptr) {
            return false;
        }
        bool same = g->size == static_cast<int>(GammaRamp::kLevels);
        for (std::size_t i = 0; same && i < GammaRamp::kLevels; ++i) {
            same = g->red[i] == expected.at(0, i) && g->green[i] == expected.at(1, i) &&
                   g->blue[i] == expected.at(2, i);
        }
        XRRFreeGamma(g);
        return same;
    }

  private:
    Display* d_;
    RRCrtc crtc_ = None;
};

// A started subject (the tool or the bare window) and the moment it was started.
struct Started {
    std::unique_ptr<ChildProcess> process;
    double msToTint = -1;  // negative when the tint never came
};

std::vector<std::string> subjectCommand(bool bare) {
    if (bare) {
        return {"/proc/self/exe", kBareFlag};
    }
    return {DIMWARDEN_BINARY};
}

// Starts the subject and waits, polling every half millisecond, for the first-run tint.
Started startAndTime(Session& session, bool bare) {
    RampWatcher watcher(session.display());
    Started s;
    const auto t0 = Clock::now();
    s.process = session.start(subjectCommand(bare), bare ? "bare.log" : "tool.log");
    const auto deadline = t0 + e2e::kStartTimeout;
    while (Clock::now() < deadline) {
        if (watcher.equals(firstRunTint())) {
            s.msToTint = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
            break;
        }
        std::this_thread::sleep_for(500us);
    }
    return s;
}

void stop(ChildProcess& p) {
    p.signal(SIGTERM);
    if (!p.waitExit(e2e::kStepTimeout)) {
        p.kill();
    }
}

// Ready for a fresh subject: own server, full-range ramp.
std::unique_ptr<Session> freshSession(benchmark::State& state) {
    auto session = std::make_unique<Session>();
    if (!session->ready()) {
        state.SkipWithError(session->error().c_str());
        return nullptr;
    }
    session->setRamp(e2e::fullRange());
    return session;
}

std::optional<long> vmRssKb(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return std::nullopt;
}

// utime + stime of the whole process, in clock ticks.
std::optional<long long> cpuTicks(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto close = text.rfind(')');
    if (close == std::string::npos) {
        return std::nullopt;
    }
    // After the command name: field 3 (state) onwards; utime and stime are fields 14 and 15.
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    long long utime = 0;
    long long stime = 0;
    for (int n = 3; n <= 15 && fields >> field; ++n) {
        if (n == 14) {
            utime = std::stoll(field);
        } else if (n == 15) {
            stime = std::stoll(field);
        }
    }
    return utime + stime;
}

// Figures kept for the summary printed at the end, by subject.
std::map<std::string, std::vector<double>> startTimes;
std::map<std::string, long> residentKb;
std::map<std::string, long long> idleTicks;

const char* subjectName(bool bare) {
    return bare ? "bare Qt window" : "dimwarden";
}
constexpr const char* kScheduled = "with schedule";

// A fixed-time schedule in the machine's local time whose night began an hour ago and ends in two
// hours: the first run's tint stays, and the alarm is armed two hours ahead.
std::string nightNowSchedule() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    const int minute = local.tm_hour * 60 + local.tm_min;
    const int from = (minute + 23 * 60) % (24 * 60);
    const int to = (minute + 2 * 60) % (24 * 60);
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d-%02d:%02d", from / 60, from % 60, to / 60, to % 60);
    return text;
}

constexpr const char* kWithBus = "with a bus";

// Without a bus address (as the sessions here have by default) and with a session bus of its own.
// The tool and the bare window start in turn, so that a busy machine weighs on both alike; the
// iteration's time is the tool's.
void BM_StartToTintedRamp(benchmark::State& state, bool bus) {
    std::unique_ptr<PrivateBus> daemon;
    if (bus) {
        daemon = std::make_unique<PrivateBus>();
        if (!daemon->running()) {
            state.SkipWithError(daemon->error().toStdString().c_str());
            return;
        }
    }
    for (auto _ : state) {
        for (const bool bare : {false, true}) {
            auto session = freshSession(state);
            if (!session) {
                return;
            }
            if (daemon) {
                session->useSessionBus(daemon->address());
            }
            Started s = startAndTime(*session, bare);
            if (s.msToTint < 0) {
                state.SkipWithError("the tint never reached the display");
                return;
            }
            if (!bare) {
                state.SetIterationTime(s.msToTint / 1000.0);
            }
            startTimes[std::string(subjectName(bare)) + (bus ? std::string(", ") + kWithBus : "")]
                .push_back(s.msToTint);
            stop(*s.process);
        }
    }
}

// Memory once started and CPU over an idle stretch: one start, then the process is left alone
// (no pointer moves, no input) with its window shown.
void BM_ResidentAndIdle(benchmark::State& state, bool bare, bool scheduled) {
    const std::string name = scheduled ? kScheduled : subjectName(bare);
    for (auto _ : state) {
        auto session = freshSession(state);
        if (!session) {
            return;
        }
        if (scheduled) {
            session->writeSettings("[Schedule]\nschedule=" + nightNowSchedule() +
                                   "\nfade=60\nautomatic=1\n");
        }
        Started s = startAndTime(*session, bare);
        const pid_t pid = s.process->pid();
        if (s.msToTint < 0 ||
            !e2e::waitForWindow(session->display(), pid,
                                [](const e2e::WindowInfo& w) { return w.viewable; })) {
            state.SkipWithError("the subject did not start");
            return;
        }
        // Let the first paint and any deferred start-up work finish.
        std::this_thread::sleep_for(1s);
        const auto rss = vmRssKb(pid);
        const auto before = cpuTicks(pid);
        std::this_thread::sleep_for(kIdlePeriod);
        const auto after = cpuTicks(pid);
        if (!rss || !before || !after) {
            state.SkipWithError("cannot read /proc for the subject");
            return;
        }
        state.counters["VmRSS_kB"] = static_cast<double>(*rss);
        state.counters["idle_ticks_10s"] = static_cast<double>(*after - *before);
        residentKb[name] = *rss;
        idleTicks[name] = *after - *before;
        stop(*s.process);
    }
}

BENCHMARK_CAPTURE(BM_StartToTintedRamp, dimwarden_and_bare_window, false)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(kStartRuns)
    ->DisplayAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_StartToTintedRamp, dimwarden_and_bare_window_with_bus, true)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(kStartRuns)
    ->DisplayAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ResidentAndIdle, dimwarden, false, false)
    ->Iterations(1)
    ->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(BM_ResidentAndIdle, dimwarden_with_schedule, false, true)
    ->Iterations(1)
    ->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(BM_ResidentAndIdle, bare_qt_window, true, false)
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

double median(std::vector<double> v) {
    if (v.empty()) {
        return -1;
    }
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 == 1 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

void printRatio(const std::string& tool, const std::string& bare) {
    const auto& t = startTimes[tool];
    const auto& b = startTimes[bare];
    if (!t.empty() && !b.empty()) {
        const double ratio = median(t) / median(b);
        std::printf("  %s against %s: %.2fx by medians, %.2fx by minimums%s\n", tool.c_str(),
                    bare.c_str(), ratio,
                    *std::min_element(t.begin(), t.end()) / *std::min_element(b.begin(), b.end()),
                    ratio <= 1.15 ? "  target <= 1.15x: met" : "  target <= 1.15x: MISSED");
    }
}

void printSummary() {
    std::printf("\nSummary (targets are reported, never enforced)\n");
    printRatio("dimwarden", "bare Qt window");
    printRatio("dimwarden, with a bus", "bare Qt window, with a bus");
    for (const char* name : {"dimwarden", kScheduled, "bare Qt window", "dimwarden, with a bus",
                             "bare Qt window, with a bus"}) {
        const auto& times = startTimes[name];
        if (!times.empty()) {
            const double m = median(times);
            std::printf(
                "  %-15s start to tinted ramp: median %.1f ms over %zu runs (min %.1f, "
                "max %.1f)%s\n",
                name, m, times.size(), *std::min_element(times.begin(), times.end()),
                *std::max_element(times.begin(), times.end()),
                std::string(name) == "dimwarden"
                    ? (m <= 80 ? "  target <= 80 ms: met" : "  target <= 80 ms: MISSED")
                    : "");
        }
        if (residentKb.count(name) != 0) {
            std::printf("  %-15s resident once started: %ld kB\n", name, residentKb[name]);
        }
        if (idleTicks.count(name) != 0) {
            std::printf("  %-15s CPU over %lld idle seconds: %lld ticks (%ld per second)%s\n", name,
                        static_cast<long long>(kIdlePeriod.count()), idleTicks[name],
                        sysconf(_SC_CLK_TCK),
                        std::string(name) != "bare Qt window"
                            ? (idleTicks[name] == 0 ? "  target 0: met" : "  target 0: MISSED")
                            : "");
        }
    }
}

// The reference subject: a frameless window of the tool's size with the same kinds of controls
// (labels with Chinese captions, four sliders, a menu), which writes the same first-run tint
// before it is shown, as the tool does, and then idles.
int runBareWindow(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window(nullptr, Qt::Window | Qt::FramelessWindowHint);
    window.setFixedSize(537, 499);
    const char* captions[] = {"澄岚电脑夜间模式工具V5.0 [Dimwarden]",
                              "常规设置 [Setting]",
                              "亮度调节模式[Brightness]",
                              "彩色调节模式[Colorful]",
                              "高级设置 [Advanced]",
                              "红色[Red]",
                              "绿色[Green]",
                              "蓝色[Blue]",
                              "切换[Switch]",
                              "使用说明 [Help page]"};
    int y = 10;
    for (const char* caption : captions) {
        auto* label = new QLabel(QString::fromUtf8(caption), &window);
        label->move(20, y);
        y += 40;
    }
    for (int i = 0; i < 4; ++i) {
        auto* bar = new QScrollBar(Qt::Horizontal, &window);
        bar->setRange(0, 40);
        bar->setValue(40);
        bar->setGeometry(250, 100 + 45 * i, 230, 20);
    }
    QMenu menu(QStringLiteral("文件(File)"));
    menu.addAction(QStringLiteral("夜间模式(Night)"))->setCheckable(true);
    menu.addAction(QStringLiteral("正常模式(Normal)"))->setCheckable(true);
    menu.addAction(QStringLiteral("退出程序(Exit)"));

    X11DisplayGamma display;
    for (const DisplayGamma::Output& o : display.outputs()) {
        GammaRamp found;
        if (o.active && display.read(o.id, found)) {
            display.apply(o.id, e2e::defaultTint(found));
        }
    }
    window.show();
    return app.exec();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], kBareFlag) == 0) {
        return runBareWindow(argc, argv);
    }
    if (!XvfbServer::available()) {
        std::printf("Xvfb is not installed: no figures\n");
        return 0;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    printSummary();
    return 0;
}
