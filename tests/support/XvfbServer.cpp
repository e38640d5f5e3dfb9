#include "support/XvfbServer.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <QStandardPaths>
#include <csignal>
#include <sstream>
#include <stdexcept>

using std::chrono::milliseconds;

std::string XvfbServer::binary() {
    return QStandardPaths::findExecutable(QStringLiteral("Xvfb")).toStdString();
}

XvfbServer::XvfbServer(const std::string& screen, milliseconds startTimeout) {
    const std::string path = binary();
    if (path.empty()) {
        error_ = "Xvfb is not installed";
        return;
    }
    auto server = std::make_unique<ChildProcess>(
        std::vector<std::string>{path, "-displayfd", "1", "-noreset", "-screen", "0", screen},
        QProcessEnvironment::systemEnvironment());
    const std::string number = waitForDisplayNumber(*server, startTimeout);
    if (number.empty()) {
        error_ = server->running() ? "Xvfb did not report a display number in time"
                                   : "Xvfb ended during start-up";
        error_ += "; its output: " + server->log();
        return;
    }
    display_ = ":" + number;
    server_ = std::move(server);
}

void XvfbServer::stop(milliseconds timeout) {
    if (server_) {
        server_->signal(SIGTERM);  // lets it remove its lock file and socket
        server_->waitExit(timeout);
        server_.reset();
    }
}

QProcessEnvironment XvfbServer::environment() const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", QString::fromStdString(display_));
    return env;
}

void XvfbTest::SetUp() {
    if (!XvfbServer::available()) {
        GTEST_SKIP() << "Xvfb is not installed";
    }
    xvfb_ = std::make_unique<XvfbServer>();
    ASSERT_TRUE(xvfb_->running()) << xvfb_->error();
}

namespace {

int ignoreXError(Display*, XErrorEvent*) {
    return 0;
}

XDisplayPtr openOrThrow(const std::string& name) {
    XDisplayPtr display = openXDisplay(name);
    if (!display) {
        throw std::runtime_error("cannot open X display " + name);
    }
    return display;
}

RRCrtc firstCrtc(Display* display) {
    XRRScreenResources* resources =
        XRRGetScreenResourcesCurrent(display, DefaultRootWindow(display));
    const RRCrtc crtc = resources != nullptr && resources->ncrtc > 0 ? resources->crtcs[0] : None;
    if (resources != nullptr) {
        XRRFreeScreenResources(resources);
    }
    if (crtc == None) {
        throw std::runtime_error("the X display has no CRTC");
    }
    return crtc;
}

void require256(int size) {
    if (size != static_cast<int>(GammaRamp::kLevels)) {
        throw std::runtime_error("CRTC gamma size is " + std::to_string(size) + ", not 256");
    }
}

}  // namespace

void XDisplayCloser::operator()(Display* display) const {
    XCloseDisplay(display);
}

XDisplayPtr openXDisplay(const std::string& name) {
    XSetErrorHandler(&ignoreXError);
    return XDisplayPtr(XOpenDisplay(name.c_str()));
}

int crtcGammaSize(const std::string& display) {
    XDisplayPtr d = openOrThrow(display);
    return XRRGetCrtcGammaSize(d.get(), firstCrtc(d.get()));
}

GammaRamp readCrtcRamp(const std::string& display) {
    XDisplayPtr d = openOrThrow(display);
    XRRCrtcGamma* gamma = XRRGetCrtcGamma(d.get(), firstCrtc(d.get()));
    const int size = gamma != nullptr ? gamma->size : 0;
    GammaRamp ramp;
    for (std::size_t i = 0; i < GammaRamp::kLevels && static_cast<int>(i) < size; ++i) {
        ramp.at(0, i) = gamma->red[i];
        ramp.at(1, i) = gamma->green[i];
        ramp.at(2, i) = gamma->blue[i];
    }
    if (gamma != nullptr) {
        XRRFreeGamma(gamma);
    }
    require256(size);
    return ramp;
}

void setCrtcRamp(const std::string& display, const GammaRamp& ramp) {
    XDisplayPtr d = openOrThrow(display);
    const RRCrtc crtc = firstCrtc(d.get());
    require256(XRRGetCrtcGammaSize(d.get(), crtc));
    XRRCrtcGamma* gamma = XRRAllocGamma(static_cast<int>(GammaRamp::kLevels));
    for (std::size_t i = 0; i < GammaRamp::kLevels; ++i) {
        gamma->red[i] = ramp.at(0, i);
        gamma->green[i] = ramp.at(1, i);
        gamma->blue[i] = ramp.at(2, i);
    }
    XRRSetCrtcGamma(d.get(), crtc, gamma);
    XRRFreeGamma(gamma);
    XSync(d.get(), False);
}
