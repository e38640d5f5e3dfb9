// Figures of pausing the tint for the active window, with openbox:
//   - a window made full screen to its monitor showing its base, through the real binary, on
//     Xvfb and on the dummy Xorg (median of 7),
//   - the ramp writes of a focus change that changes nothing (the X11 window source and the
//     engine in this process, on Xvfb; target 0),
//   - CPU ticks used by the real binary over 10 idle seconds with both choices on (target 0).
// Figures are printed; no target ever fails the run.
#include <QCoreApplication>
#include <QProcessEnvironment>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#include "gamma/GammaEngine.h"
#include "pause/WindowPause.h"
#include "platform/x11/X11ActiveWindowSource.h"
#include "platform/x11/X11DisplayGamma.h"
#include "support/E2eSupport.h"
#include "support/XorgDummyServer.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

const char* const kSettings = "[Pause]\nfullscreen=1\napps=mpv,gimp\n";

long cpuTicks(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), {});
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    long ticks = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i == 14 || i == 15) {
            ticks += std::stol(field);
        }
    }
    return ticks;
}

// Seven rounds of full screen on and off for the window `name`; the median time from wmctrl's
// return to the base on the screen. `holds(true)` reads the base, `holds(false)` the tint.
void fullScreenRounds(const char* where, const QProcessEnvironment& env, const std::string& name,
                      const std::function<bool(bool)>& holds) {
    std::vector<double> ms;
    for (int round = 0; round < 7; ++round) {
        if (!e2e::wmctrl(env, {"-a", name}) ||
            !e2e::wmctrl(env, {"-r", name, "-b", "add,fullscreen"})) {
            std::printf("%s: wmctrl failed\n", where);
            return;
        }
        const auto t0 = Clock::now();
        if (!waitUntil([&] { return holds(true); }, 5s)) {
            std::printf("%s: the monitor never showed its base\n", where);
            return;
        }
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
        e2e::wmctrl(env, {"-r", name, "-b", "remove,fullscreen"});
        waitUntil([&] { return holds(false); }, 5s);
    }
    std::sort(ms.begin(), ms.end());
    std::printf(
        "%s: window made full screen -> its monitor at base, 7 rounds: median %.1f ms, "
        "max %.1f ms\n",
        where, ms[ms.size() / 2], ms.back());
}

void onXvfb() {
    e2e::Session session;
    std::string why;
    if (!session.ready() || !session.startOpenbox(why)) {
        std::printf("Xvfb figures skipped: %s %s\n", session.error().c_str(), why.c_str());
        return;
    }
    session.setRamp(e2e::fullRange());
    session.writeSettings(kSettings);
    auto tool = session.startTool();
    const auto env = session.environment();
    auto film =
        session.start({"xmessage", "-name", "film", "-geometry", "300x120+40+40", "f"}, "film.log");
    if (!waitUntil([&] { return readCrtcRamp(session.display()) == e2e::defaultTint(); }, 20s)) {
        std::printf("Xvfb: the tool did not tint\n");
        return;
    }
    fullScreenRounds("Xvfb", env, "film.Xmessage", [&](bool base) {
        return readCrtcRamp(session.display()) == (base ? e2e::fullRange() : e2e::defaultTint());
    });

    std::this_thread::sleep_for(1s);
    const long before = cpuTicks(tool->pid());
    std::this_thread::sleep_for(10s);
    std::printf("idle CPU over 10 s with both pause choices on: %ld ticks (target 0)\n",
                cpuTicks(tool->pid()) - before);
}

// The display's writes, counted.
class CountingDisplay : public X11DisplayGamma {
  public:
    using X11DisplayGamma::X11DisplayGamma;
    bool apply(OutputId id, const GammaRamp& ramp) override {
        ++writes;
        return X11DisplayGamma::apply(id, ramp);
    }
    int writes = 0;
};

void focusChangeWrites() {
    e2e::Session session;
    std::string why;
    if (!session.ready() || !session.startOpenbox(why)) {
        std::printf("focus figures skipped: %s %s\n", session.error().c_str(), why.c_str());
        return;
    }
    const auto env = session.environment();
    auto a = session.start({"xmessage", "-name", "one", "-geometry", "300x120+40+40", "1"}, "1");
    auto b = session.start({"xmessage", "-name", "two", "-geometry", "300x120+400+40", "2"}, "2");
    CountingDisplay display(session.display());
    GammaEngine engine(display);
    engine.SaveGamma();
    engine.SetGamma(-20, -30, -40);
    X11ActiveWindowSource source(session.display());
    WindowPause pause(engine, &source, nullptr);
    pause.setChoices({true, {"mpv"}});
    pause.start();
    const auto settle = [] {
        const auto until = Clock::now() + 300ms;
        while (Clock::now() < until) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        }
    };
    e2e::wmctrl(env, {"-a", "one.Xmessage"});
    settle();
    const int before = display.writes;
    int changes = 0;
    source.onChanged = [&, inner = source.onChanged] {
        ++changes;
        inner();
    };
    for (int n = 0; n < 10; ++n) {
        e2e::wmctrl(env, {"-a", n % 2 == 0 ? "two.Xmessage" : "one.Xmessage"});
        settle();
    }
    std::printf("10 focus changes that change nothing (%d reported): %d ramp writes (target 0)\n",
                changes, display.writes - before);
    engine.SetDefault();
}

void onDummyXorg() {
    if (const std::string why = XorgDummyServer::unavailable(); !why.empty()) {
        std::printf("dummy Xorg figures skipped: %s\n", why.c_str());
        return;
    }
    XorgDummyServer x;
    if (!x.running() || !x.enable(1, 1024)) {
        std::printf("dummy Xorg figures skipped: %s\n", x.error().c_str());
        return;
    }
    x.setRamp(0, e2e::fullRange());
    x.setRamp(1, e2e::fullRange());
    const auto env = x.environment();
    ChildProcess openbox({"openbox", "--sm-disable"}, env, x.folder() + "/openbox.log");
    if (!e2e::waitForWindowManager(x.display())) {
        std::printf("dummy Xorg: openbox did not start\n");
        return;
    }
    std::ofstream(x.configDir() + "/Dimwarden.ini") << kSettings;
    ChildProcess tool({DIMWARDEN_BINARY}, env, x.folder() + "/tool.log");
    ChildProcess film({"xmessage", "-name", "film", "-geometry", "300x120+1100+40", "f"}, env,
                      x.folder() + "/film.log");
    if (!waitUntil([&] { return x.ramp(1) == e2e::defaultTint(); }, 20s)) {
        std::printf("dummy Xorg: the tool did not tint\n");
        return;
    }
    fullScreenRounds("dummy Xorg, 2 outputs", env, "film.Xmessage", [&](bool base) {
        return x.ramp(1) == (base ? e2e::fullRange() : e2e::defaultTint());
    });
}

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QCoreApplication app(argc, argv);
    onXvfb();
    focusChangeWrites();
    onDummyXorg();
    return 0;
}
