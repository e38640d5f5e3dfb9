#include "support/XorgDummyServer.h"

// Qt (through the support headers) before Xlib, whose macros break it.
#include "support/XvfbServer.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace {

using std::chrono::milliseconds;

std::string findOnPath(const std::string& name) {
    for (const char* dir : {"/usr/bin", "/usr/local/bin", "/bin"}) {
        const std::string candidate = std::string(dir) + "/" + name;
        if (access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
    }
    return {};
}

// The output's CRTC, or the one it would get when lit; None when there is none.
RRCrtc crtcOf(Display* d, XRRScreenResources* res, const std::string& name) {
    for (int i = 0; i < res->noutput; ++i) {
        XRROutputInfo* info = XRRGetOutputInfo(d, res, res->outputs[i]);
        if (info == nullptr) {
            continue;
        }
        RRCrtc crtc = None;
        if (name == std::string(info->name, static_cast<std::size_t>(info->nameLen))) {
            crtc = info->crtc != None ? info->crtc : (info->ncrtc > 0 ? info->crtcs[0] : None);
        }
        XRRFreeOutputInfo(info);
        if (crtc != None) {
            return crtc;
        }
    }
    return None;
}

template <typename F>
auto withCrtc(const std::string& display, int n, F f) {
    XDisplayPtr d = openXDisplay(display);
    if (!d) {
        throw std::runtime_error("cannot open " + display);
    }
    XRRScreenResources* res = XRRGetScreenResourcesCurrent(d.get(), DefaultRootWindow(d.get()));
    const RRCrtc crtc = res != nullptr ? crtcOf(d.get(), res, "DUMMY" + std::to_string(n)) : None;
    if (res != nullptr) {
        XRRFreeScreenResources(res);
    }
    if (crtc == None) {
        throw std::runtime_error("DUMMY" + std::to_string(n) + " has no CRTC");
    }
    return f(d.get(), crtc);
}

std::string difference(const GammaRamp& expected, const std::optional<GammaRamp>& seen) {
    if (!seen) {
        return "no ramp could be read";
    }
    std::ostringstream out;
    int shown = 0;
    for (std::size_t k = 0; k < GammaRamp::kWords && shown < 6; ++k) {
        if (expected.words[k] != seen->words[k]) {
            out << "channel " << k / 256 << " [" << k % 256 << "] expected " << expected.words[k]
                << ", seen " << seen->words[k] << "; ";
            ++shown;
        }
    }
    return out.str();
}

}  // namespace

PrivateXServer::PrivateXServer(
    const std::function<std::vector<std::string>(const std::string&)>& command,
    milliseconds timeout) {
    if (!dir_.isValid()) {
        error_ = "no temporary folder";
        return;
    }
    mkdir(runtimeDir().c_str(), 0700);
    mkdir(configDir().c_str(), 0700);
    std::vector<std::string> argv = command(folder());
    argv.insert(argv.begin() + 1, {"-displayfd", "1"});
    auto server = std::make_unique<ChildProcess>(argv, QProcessEnvironment::systemEnvironment(),
                                                 folder() + "/server.log");
    const std::string number = waitForDisplayNumber(*server, timeout);
    if (number.empty()) {
        error_ = "the server did not start; its output: " + server->log();
        return;
    }
    display_ = ":" + number;
    server_ = std::move(server);
}

PrivateXServer::~PrivateXServer() {
    if (server_) {
        server_->signal(SIGTERM);  // lets it remove its lock file and socket
        server_->waitExit(std::chrono::seconds(5));
    }
}

QProcessEnvironment PrivateXServer::environment(const std::string& systemBus) const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* key : {"DBUS_SESSION_BUS_ADDRESS", "QT_QPA_PLATFORM", "SESSION_MANAGER"}) {
        env.remove(QString::fromLatin1(key));
    }
    env.insert("DISPLAY", QString::fromStdString(display_));
    env.insert("XDG_RUNTIME_DIR", QString::fromStdString(runtimeDir()));
    env.insert("XDG_CONFIG_HOME", QString::fromStdString(configDir()));
    env.insert("DBUS_SYSTEM_BUS_ADDRESS",
               QString::fromStdString(systemBus.empty() ? "unix:path=" + folder() + "/no-bus"
                                                        : systemBus));
    return env;
}

std::string XorgDummyServer::unavailable() {
    if (findOnPath("Xorg").empty()) {
        return "Xorg is not installed (xserver-xorg-core)";
    }
    if (access("/usr/lib/xorg/modules/drivers/dummy_drv.so", R_OK) != 0) {
        return "the dummy video driver is not installed (xserver-xorg-video-dummy)";
    }
    if (geteuid() != 0) {
        return "Xorg with the dummy driver needs root";
    }
    return {};
}

namespace {
std::vector<std::string> xorgCommand(const std::string& dir) {
    const std::string config = dir + "/xorg.conf";
    std::ofstream(config) << "Section \"Device\"\n    Identifier \"d\"\n    Driver \"dummy\"\n"
                             "    VideoRam 256000\nEndSection\n";
    return {findOnPath("Xorg"), "-config",   config,     "-noreset",       "-nolisten", "tcp",
            "-novtswitch",      "-sharevts", "-logfile", dir + "/xorg.log"};
}
}  // namespace

XorgDummyServer::XorgDummyServer() : PrivateXServer(xorgCommand) {
    hasMode_[0] = true;  // DUMMY0 starts lit
}

bool XorgDummyServer::xrandr(const std::vector<std::string>& args) {
    std::vector<std::string> argv = {"xrandr", "-display", display()};
    argv.insert(argv.end(), args.begin(), args.end());
    return runCommand(argv, environment()).status == 0;
}

bool XorgDummyServer::enable(int n, int x) {
    const std::string name = "DUMMY" + std::to_string(n);
    if (!hasMode_.at(static_cast<std::size_t>(n))) {
        if (!xrandr({"--addmode", name, "1024x768"})) {
            return false;
        }
        hasMode_[static_cast<std::size_t>(n)] = true;
    }
    return xrandr({"--output", name, "--mode", "1024x768", "--pos", std::to_string(x) + "x0"});
}

bool XorgDummyServer::disable(int n) {
    return xrandr({"--output", "DUMMY" + std::to_string(n), "--off"});
}

bool XorgDummyServer::setPrimary(int n) {
    return xrandr({"--output", "DUMMY" + std::to_string(n), "--primary"});
}

std::optional<GammaRamp> XorgDummyServer::ramp(int n) const {
    try {
        return withCrtc(display(), n, [](Display* d, RRCrtc crtc) -> std::optional<GammaRamp> {
            XRRCrtcGamma* g = XRRGetCrtcGamma(d, crtc);
            if (g == nullptr || g->size != 256) {
                if (g != nullptr) {
                    XRRFreeGamma(g);
                }
                return std::nullopt;
            }
            GammaRamp r;
            std::copy(g->red, g->red + 256, r.channel(0).begin());
            std::copy(g->green, g->green + 256, r.channel(1).begin());
            std::copy(g->blue, g->blue + 256, r.channel(2).begin());
            XRRFreeGamma(g);
            return r;
        });
    } catch (const std::runtime_error&) {
        return std::nullopt;
    }
}

void XorgDummyServer::setRamp(int n, const GammaRamp& ramp) const {
    withCrtc(display(), n, [&](Display* d, RRCrtc crtc) {
        XRRCrtcGamma* g = XRRAllocGamma(256);
        std::copy(ramp.channel(0).begin(), ramp.channel(0).end(), g->red);
        std::copy(ramp.channel(1).begin(), ramp.channel(1).end(), g->green);
        std::copy(ramp.channel(2).begin(), ramp.channel(2).end(), g->blue);
        XRRSetCrtcGamma(d, crtc, g);
        XRRFreeGamma(g);
        XSync(d, False);
        return 0;
    });
}

std::uint64_t XorgDummyServer::crtc(int n) const {
    return withCrtc(display(), n, [](Display*, RRCrtc crtc) { return std::uint64_t{crtc}; });
}

::testing::AssertionResult outputHolds(const XorgDummyServer& server, int n,
                                       const GammaRamp& expected, milliseconds timeout) {
    std::optional<GammaRamp> seen;
    if (waitUntil(
            [&] {
                seen = server.ramp(n);
                return seen == expected;
            },
            timeout)) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "DUMMY" << n << ": " << difference(expected, seen);
}

bool notificationAreaReady(const std::string& display) {
    XDisplayPtr d = openXDisplay(display);
    return d &&
           XGetSelectionOwner(d.get(), XInternAtom(d.get(), "_NET_SYSTEM_TRAY_S0", False)) != None;
}
