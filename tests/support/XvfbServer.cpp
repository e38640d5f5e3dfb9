#include "support/XvfbServer.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

using std::chrono::milliseconds;

// Closes a descriptor when it goes out of scope.
class Fd {
  public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() { reset(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    void reset() {
        if (fd_ >= 0) {
            close(fd_);
        }
        fd_ = -1;
    }

  private:
    int fd_;
};

int msLeft(XvfbServer::Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<milliseconds>(deadline - XvfbServer::Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

std::string XvfbServer::binary() {
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path != nullptr ? path : "/usr/bin:/bin");
    std::string dir;
    while (std::getline(dirs, dir, ':')) {
        const std::string candidate = (dir.empty() ? "." : dir) + "/Xvfb";
        if (access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
    }
    return {};
}

XvfbServer::XvfbServer(const std::string& screen, milliseconds startTimeout) {
    start(screen, startTimeout);
}

XvfbServer::~XvfbServer() {
    stop();
}

void XvfbServer::start(const std::string& screen, milliseconds timeout) {
    const std::string path = binary();
    if (path.empty()) {
        error_ = "Xvfb is not installed";
        return;
    }

    // Xvfb's stderr, only to explain a failed start: unlinked when start() returns while Xvfb
    // keeps writing to the open file.
    char logPath[] = "/tmp/dimwarden-xvfb-XXXXXX";
    Fd log(mkostemp(logPath, O_CLOEXEC));
    const std::unique_ptr<char, int (*)(const char*)> unlinkLog(log.get() >= 0 ? logPath : nullptr,
                                                                &unlink);
    Fd devNull(open("/dev/null", O_RDWR | O_CLOEXEC));
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) {
        error_ = "pipe2 failed";
        return;
    }
    Fd readEnd(pipeFds[0]);
    Fd writeEnd(pipeFds[1]);

    // Everything the child needs is prepared before fork: after it only async-signal-safe calls.
    std::vector<std::string> args = {
        path, "-displayfd", std::to_string(writeEnd.get()), "-noreset", "-screen", "0", screen};
    std::vector<char*> argv;
    for (std::string& a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    const pid_t parent = getpid();

    const pid_t pid = fork();
    if (pid < 0) {
        error_ = "fork failed";
        return;
    }
    if (pid == 0) {
        // Take the server down with us if the test process dies without running destructors.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent) {
            _exit(127);
        }
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        if (devNull.get() >= 0) {
            dup2(devNull.get(), STDIN_FILENO);
            dup2(devNull.get(), STDOUT_FILENO);
        }
        if (log.get() >= 0) {
            dup2(log.get(), STDERR_FILENO);
        }
        fcntl(writeEnd.get(), F_SETFD, 0);  // the one descriptor Xvfb inherits
        execv(argv[0], argv.data());
        _exit(127);
    }
    pid_ = pid;
    writeEnd.reset();  // so that a server that dies gives end-of-file instead of a hang

    // Xvfb writes "N\n" once it accepts connections.
    const auto deadline = Clock::now() + timeout;
    std::string number;
    bool complete = false;
    while (!complete) {
        pollfd p{readEnd.get(), POLLIN, 0};
        const int ready = poll(&p, 1, msLeft(deadline));
        if (ready <= 0) {
            error_ = ready == 0 ? "Xvfb did not report a display number in time" : "poll failed";
            break;
        }
        char buffer[32];
        const ssize_t n = read(readEnd.get(), buffer, sizeof buffer);
        if (n <= 0) {
            error_ = "Xvfb exited during start-up";
            break;
        }
        for (ssize_t i = 0; i < n && !complete; ++i) {
            if (buffer[i] == '\n') {
                complete = !number.empty();
            } else {
                number += buffer[i];
            }
        }
    }
    if (!complete) {
        stop();
        error_ += "; its log: " + readFile(logPath);
        return;
    }
    display_ = ":" + number;
}

void XvfbServer::stop(milliseconds timeout) {
    if (pid_ <= 0) {
        return;
    }
    kill(pid_, SIGTERM);
    const auto deadline = Clock::now() + timeout;
    int status = 0;
    pid_t reaped = 0;
    while ((reaped = waitpid(pid_, &status, WNOHANG)) == 0 && Clock::now() < deadline) {
        std::this_thread::sleep_for(milliseconds(5));
    }
    if (reaped == 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, &status, 0);
    }
    pid_ = -1;
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

struct DisplayCloser {
    void operator()(Display* d) const { XCloseDisplay(d); }
};
using DisplayPtr = std::unique_ptr<Display, DisplayCloser>;

DisplayPtr openDisplay(const std::string& name) {
    DisplayPtr display(XOpenDisplay(name.c_str()));
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

}  // namespace

int crtcGammaSize(const std::string& display) {
    DisplayPtr d = openDisplay(display);
    return XRRGetCrtcGammaSize(d.get(), firstCrtc(d.get()));
}

GammaRamp readCrtcRamp(const std::string& display) {
    DisplayPtr d = openDisplay(display);
    XRRCrtcGamma* gamma = XRRGetCrtcGamma(d.get(), firstCrtc(d.get()));
    if (gamma == nullptr || gamma->size != static_cast<int>(GammaRamp::kLevels)) {
        const int size = gamma != nullptr ? gamma->size : 0;
        if (gamma != nullptr) {
            XRRFreeGamma(gamma);
        }
        throw std::runtime_error("CRTC gamma size is " + std::to_string(size) + ", not 256");
    }
    GammaRamp ramp;
    for (std::size_t i = 0; i < GammaRamp::kLevels; ++i) {
        ramp.at(0, i) = gamma->red[i];
        ramp.at(1, i) = gamma->green[i];
        ramp.at(2, i) = gamma->blue[i];
    }
    XRRFreeGamma(gamma);
    return ramp;
}

void setCrtcRamp(const std::string& display, const GammaRamp& ramp) {
    DisplayPtr d = openDisplay(display);
    const RRCrtc crtc = firstCrtc(d.get());
    const int size = XRRGetCrtcGammaSize(d.get(), crtc);
    if (size != static_cast<int>(GammaRamp::kLevels)) {
        throw std::runtime_error("CRTC gamma size is " + std::to_string(size) + ", not 256");
    }
    XRRCrtcGamma* gamma = XRRAllocGamma(size);
    for (std::size_t i = 0; i < GammaRamp::kLevels; ++i) {
        gamma->red[i] = ramp.at(0, i);
        gamma->green[i] = ramp.at(1, i);
        gamma->blue[i] = ramp.at(2, i);
    }
    XRRSetCrtcGamma(d.get(), crtc, gamma);
    XRRFreeGamma(gamma);
    XSync(d.get(), False);
}

bool waitUntil(const std::function<bool()>& condition, milliseconds timeout) {
    const auto deadline = XvfbServer::Clock::now() + timeout;
    while (!condition()) {
        if (XvfbServer::Clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(milliseconds(10));
    }
    return true;
}
