#include "support/E2eSupport.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace e2e {

namespace {

// Everything exec needs, built before fork so the child only makes async-signal-safe calls.
struct ExecArgs {
    std::vector<std::string> argv;
    std::vector<std::string> env;
    std::vector<char*> argvPtrs;
    std::vector<char*> envPtrs;

    ExecArgs(std::vector<std::string> a, std::vector<std::string> e)
        : argv(std::move(a)), env(std::move(e)) {
        for (std::string& s : argv) {
            argvPtrs.push_back(s.data());
        }
        argvPtrs.push_back(nullptr);
        for (std::string& s : env) {
            envPtrs.push_back(s.data());
        }
        envPtrs.push_back(nullptr);
    }
};

// In the child after fork: wire up stdin/stdout/stderr and exec. Never returns.
[[noreturn]] void execChild(const ExecArgs& args, pid_t parent, int in, int out) {
    // A test that dies without its destructors must not leave processes behind.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) {
        _exit(127);
    }
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    signal(SIGPIPE, SIG_DFL);
    if (in >= 0) {
        dup2(in, STDIN_FILENO);
    }
    if (out >= 0) {
        dup2(out, STDOUT_FILENO);
        dup2(out, STDERR_FILENO);
    }
    execvpe(args.argvPtrs[0], args.argvPtrs.data(), args.envPtrs.data());
    _exit(127);
}

int decodeStatus(int status) {
    if (WIFEXITED(status)) {
        return WEXITSTATUS(status);
    }
    if (WIFSIGNALED(status)) {
        return 128 + WTERMSIG(status);
    }
    return -1;
}

int msLeft(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

std::string readWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Windows come and go while a tree is walked; Xlib's default handler would end the test.
int ignoreXError(Display*, XErrorEvent*) {
    return 0;
}

struct DisplayCloser {
    void operator()(Display* d) const { XCloseDisplay(d); }
};
using DisplayPtr = std::unique_ptr<Display, DisplayCloser>;

DisplayPtr openDisplay(const std::string& name) {
    XSetErrorHandler(&ignoreXError);
    return DisplayPtr(XOpenDisplay(name.c_str()));
}

std::optional<unsigned long> cardinalProperty(Display* d, Window w, Atom property) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    std::optional<unsigned long> value;
    if (XGetWindowProperty(d, w, property, 0, 1, False, AnyPropertyType, &type, &format, &count,
                           &after, &data) == Success &&
        data != nullptr && format == 32 && count >= 1) {
        // Format-32 data arrives as an array of long, whatever the width of long.
        value = static_cast<unsigned long>(reinterpret_cast<const long*>(data)[0]);
    }
    if (data != nullptr) {
        XFree(data);
    }
    return value;
}

bool isTrayerWindow(Display* d, Window w) {
    XClassHint hint{};
    if (XGetClassHint(d, w, &hint) == 0) {
        return false;
    }
    std::string cls = hint.res_class != nullptr ? hint.res_class : "";
    XFree(hint.res_name);
    XFree(hint.res_class);
    std::transform(cls.begin(), cls.end(), cls.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return cls == "trayer";
}

struct Walk {
    Display* d;
    Window root;
    Atom pidAtom;
    Atom stateAtom;
    pid_t pid;
    std::vector<WindowInfo> found;

    void visit(Window w, bool underTray) {
        const bool inTray = underTray || isTrayerWindow(d, w);
        const auto owner = cardinalProperty(d, w, pidAtom);
        if (owner && static_cast<pid_t>(*owner) == pid) {
            XWindowAttributes attr{};
            if (XGetWindowAttributes(d, w, &attr) != 0) {
                WindowInfo info;
                info.id = w;
                Window child = None;
                XTranslateCoordinates(d, w, root, 0, 0, &info.x, &info.y, &child);
                info.width = attr.width;
                info.height = attr.height;
                info.viewable = attr.map_state == IsViewable;
                const auto state = cardinalProperty(d, w, stateAtom);
                info.wmState = state ? static_cast<int>(*state) : -1;
                info.inTray = underTray;
                found.push_back(info);
            }
        }
        Window r = None;
        Window parent = None;
        Window* children = nullptr;
        unsigned int count = 0;
        if (XQueryTree(d, w, &r, &parent, &children, &count) == 0) {
            return;
        }
        const std::vector<Window> list(children, children + count);
        if (children != nullptr) {
            XFree(children);
        }
        for (Window c : list) {
            visit(c, inTray);
        }
    }
};

}  // namespace

// ---- Processes --------------------------------------------------------------------------------

ChildProcess::ChildProcess(const std::vector<std::string>& argv,
                           const std::vector<std::string>& environment, const std::string& logPath)
    : logPath_(logPath) {
    const ExecArgs args(argv, environment);
    const int out = open(logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    const int in = open("/dev/null", O_RDONLY | O_CLOEXEC);
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid == 0) {
        execChild(args, parent, in, out);
    }
    pid_ = pid;
    if (out >= 0) {
        close(out);
    }
    if (in >= 0) {
        close(in);
    }
}

ChildProcess::~ChildProcess() {
    kill();
}

bool ChildProcess::reap(int options) {
    if (pid_ <= 0 || exit_) {
        return true;
    }
    int status = 0;
    const pid_t r = waitpid(pid_, &status, options);
    if (r == pid_) {
        exit_ = decodeStatus(status);
        return true;
    }
    return r < 0;  // not our child any more: nothing left to wait for
}

bool ChildProcess::running() {
    return !reap(WNOHANG);
}

std::optional<int> ChildProcess::waitExit(milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    while (running()) {
        if (Clock::now() >= deadline) {
            return std::nullopt;
        }
        std::this_thread::sleep_for(milliseconds(5));
    }
    return exit_;
}

void ChildProcess::signal(int signo) {
    if (pid_ > 0 && !exit_) {
        ::kill(pid_, signo);
    }
}

void ChildProcess::kill() {
    if (pid_ > 0 && !exit_) {
        ::kill(pid_, SIGKILL);
        reap(0);
    }
}

std::string ChildProcess::log() const {
    return readWholeFile(logPath_);
}

CommandResult runCommand(const std::vector<std::string>& argv,
                         const std::vector<std::string>& environment, milliseconds timeout) {
    CommandResult result;
    const ExecArgs args(argv, environment);
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        result.output = "pipe2 failed";
        return result;
    }
    const int in = open("/dev/null", O_RDONLY | O_CLOEXEC);
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid == 0) {
        execChild(args, parent, in, fds[1]);
    }
    close(fds[1]);
    if (in >= 0) {
        close(in);
    }
    if (pid < 0) {
        close(fds[0]);
        result.output = "fork failed";
        return result;
    }

    const auto deadline = Clock::now() + timeout;
    for (;;) {
        pollfd p{fds[0], POLLIN, 0};
        if (poll(&p, 1, msLeft(deadline)) <= 0) {
            break;
        }
        char buffer[4096];
        const ssize_t n = read(fds[0], buffer, sizeof buffer);
        if (n <= 0) {
            break;
        }
        result.output.append(buffer, static_cast<std::size_t>(n));
    }
    close(fds[0]);

    int status = 0;
    pid_t r = 0;
    while ((r = waitpid(pid, &status, WNOHANG)) == 0 && Clock::now() < deadline) {
        std::this_thread::sleep_for(milliseconds(2));
    }
    if (r == 0) {
        ::kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        result.status = -1;
    } else {
        result.status = decodeStatus(status);
    }
    return result;
}

// ---- X queries --------------------------------------------------------------------------------

std::vector<WindowInfo> windowsOf(const std::string& display, pid_t pid) {
    DisplayPtr d = openDisplay(display);
    if (!d) {
        return {};
    }
    Walk walk{d.get(),
              DefaultRootWindow(d.get()),
              XInternAtom(d.get(), "_NET_WM_PID", False),
              XInternAtom(d.get(), "WM_STATE", False),
              pid,
              {}};
    walk.visit(walk.root, false);
    return walk.found;
}

bool selectionOwned(const std::string& display, const std::string& selection) {
    DisplayPtr d = openDisplay(display);
    return d && XGetSelectionOwner(d.get(), XInternAtom(d.get(), selection.c_str(), False)) != None;
}

bool windowManagerRunning(const std::string& display) {
    DisplayPtr d = openDisplay(display);
    return d && cardinalProperty(d.get(), DefaultRootWindow(d.get()),
                                 XInternAtom(d.get(), "_NET_SUPPORTING_WM_CHECK", False))
                    .has_value();
}

std::optional<WindowInfo> waitForWindow(const std::string& display, pid_t pid,
                                        const std::function<bool(const WindowInfo&)>& match,
                                        milliseconds timeout) {
    std::optional<WindowInfo> found;
    waitUntil(
        [&] {
            for (const WindowInfo& w : windowsOf(display, pid)) {
                if (match(w)) {
                    found = w;
                    return true;
                }
            }
            return false;
        },
        timeout);
    return found;
}

std::optional<WindowInfo> viewableWindow(const std::string& display, pid_t pid, int width,
                                         int height) {
    for (const WindowInfo& w : windowsOf(display, pid)) {
        if (w.viewable && w.width == width && w.height == height) {
            return w;
        }
    }
    return std::nullopt;
}

// ---- Ramps ------------------------------------------------------------------------------------

std::optional<GammaRamp> tryReadRamp(const std::string& display) {
    try {
        return readCrtcRamp(display);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

bool waitForRamp(const std::string& display, const GammaRamp& expected, milliseconds timeout) {
    return waitUntil([&] { return tryReadRamp(display) == expected; }, timeout);
}

GammaRamp rampOf(const std::function<std::uint16_t(std::size_t)>& f) {
    GammaRamp r;
    for (std::size_t c = 0; c < GammaRamp::kChannels; ++c) {
        for (std::size_t i = 0; i < GammaRamp::kLevels; ++i) {
            r.at(c, i) = f(i);
        }
    }
    return r;
}

GammaRamp fullRange() {
    return rampOf([](std::size_t i) { return static_cast<std::uint16_t>(i * 257); });
}

GammaRamp identity() {
    return rampOf([](std::size_t i) { return static_cast<std::uint16_t>(i * 256); });
}

GammaRamp keep(const GammaRamp& from, int red, int green, int blue) {
    const int k[3] = {red, green, blue};
    GammaRamp out;
    for (std::size_t c = 0; c < GammaRamp::kChannels; ++c) {
        for (std::size_t i = 0; i < GammaRamp::kLevels; ++i) {
            // nearbyint rounds half to even in the default rounding mode.
            out.at(c, i) = static_cast<std::uint16_t>(
                std::nearbyint(static_cast<double>(from.at(c, i)) * k[c] / 40.0));
        }
    }
    return out;
}

std::string rampDifference(const GammaRamp& expected, const std::optional<GammaRamp>& actual) {
    if (!actual) {
        return "the display's ramp could not be read";
    }
    static const char* const names[] = {"red", "green", "blue"};
    std::ostringstream out;
    int shown = 0;
    for (std::size_t c = 0; c < GammaRamp::kChannels && shown < 6; ++c) {
        for (std::size_t i = 0; i < GammaRamp::kLevels && shown < 6; ++i) {
            if (expected.at(c, i) != actual->at(c, i)) {
                out << names[c] << "[" << i << "] expected " << expected.at(c, i) << ", seen "
                    << actual->at(c, i) << "; ";
                ++shown;
            }
        }
    }
    return shown == 0 ? "ramps are equal" : out.str();
}

// ---- Screenshots ------------------------------------------------------------------------------

std::optional<std::uint32_t> screenPixel(const std::string& display, int x, int y) {
    DisplayPtr d = openDisplay(display);
    if (!d) {
        return std::nullopt;
    }
    XImage* image = XGetImage(d.get(), DefaultRootWindow(d.get()), x, y, 1, 1, AllPlanes, ZPixmap);
    if (image == nullptr) {
        return std::nullopt;
    }
    const auto pixel = static_cast<std::uint32_t>(XGetPixel(image, 0, 0) & 0xFFFFFF);
    XDestroyImage(image);
    return pixel;
}

bool catchesSignals(pid_t pid, const std::vector<int>& signalNumbers) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("SigCgt:", 0) == 0) {
            const unsigned long long mask = std::stoull(line.substr(7), nullptr, 16);
            return std::all_of(signalNumbers.begin(), signalNumbers.end(),
                               [&](int s) { return (mask >> (s - 1)) & 1ULL; });
        }
    }
    return false;
}

std::vector<std::string> pixelColours(const std::string& pngPath,
                                      const std::vector<std::pair<int, int>>& points) {
    std::string format;
    for (const auto& [x, y] : points) {
        format += "%[hex:p{" + std::to_string(x) + "," + std::to_string(y) + "}]\\n";
    }
    // /usr/local/bin/convert on these machines is something else.
    const CommandResult r = runCommand({"/usr/bin/convert", pngPath, "-format", format, "info:"},
                                       {"PATH=/usr/bin:/bin"});
    std::vector<std::string> colours;
    std::istringstream lines(r.output);
    std::string line;
    while (std::getline(lines, line)) {
        std::transform(line.begin(), line.end(), line.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        colours.push_back(line.substr(0, 6));  // drop an alpha byte, if any
    }
    return colours;
}

// ---- Session ----------------------------------------------------------------------------------

Session::Session() {
    if (!xvfb_.running()) {
        return;
    }
    char pattern[] = "/tmp/dimwarden-e2e-XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
        return;
    }
    dir_ = pattern;
    runtimeDir_ = dir_ + "/runtime";
    configDir_ = dir_ + "/config";
    mkdir(runtimeDir_.c_str(), 0700);
    mkdir(configDir_.c_str(), 0700);
}

Session::~Session() {
    helpers_.clear();  // before the server and the folder go
    xvfb_.stop();
    if (dir_.empty()) {
        return;
    }
    if (::testing::Test::HasFailure()) {
        std::fprintf(stderr, "e2e: logs and screenshots kept in %s\n", dir_.c_str());
    } else {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
}

std::string Session::error() const {
    if (!xvfb_.running()) {
        return "Xvfb: " + xvfb_.error();
    }
    return dir_.empty() ? "cannot make a temporary folder" : "";
}

std::vector<std::string> Session::environment() const {
    static const char* const dropped[] = {
        "DISPLAY=",         "DBUS_SESSION_BUS_ADDRESS=", "QT_QPA_PLATFORM=",
        "XDG_RUNTIME_DIR=", "XDG_CONFIG_HOME=",          "SESSION_MANAGER="};
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry = *e;
        const bool drop = std::any_of(std::begin(dropped), std::end(dropped),
                                      [&](const char* key) { return entry.rfind(key, 0) == 0; });
        if (!drop) {
            env.push_back(entry);
        }
    }
    env.push_back("DISPLAY=" + display());
    env.push_back("XDG_RUNTIME_DIR=" + runtimeDir_);
    env.push_back("XDG_CONFIG_HOME=" + configDir_);
    return env;
}

std::unique_ptr<ChildProcess> Session::start(const std::vector<std::string>& argv,
                                             const std::string& logName) {
    return std::make_unique<ChildProcess>(argv, environment(), dir_ + "/" + logName);
}

std::unique_ptr<ChildProcess> Session::startTool() {
    return start({DIMWARDEN_BINARY}, "tool-" + std::to_string(++toolCount_) + ".log");
}

bool Session::startOpenbox(std::string& why) {
    helpers_.push_back(start({"openbox", "--sm-disable"}, "openbox.log"));
    ChildProcess& wm = *helpers_.back();
    if (!waitUntil([&] { return windowManagerRunning(display()) || !wm.running(); },
                   kStartTimeout) ||
        !wm.running()) {
        why = "openbox did not start: " + wm.log();
        return false;
    }
    return true;
}

bool Session::startTrayer(std::string& why) {
    helpers_.push_back(
        start({"trayer", "--edge", "top", "--align", "right", "--widthtype", "pixel", "--width",
               "120", "--heighttype", "pixel", "--height", "32", "--transparent", "false"},
              "trayer.log"));
    ChildProcess& tray = *helpers_.back();
    if (!waitUntil(
            [&] { return selectionOwned(display(), "_NET_SYSTEM_TRAY_S0") || !tray.running(); },
            kStartTimeout) ||
        !tray.running()) {
        why = "trayer did not start: " + tray.log();
        return false;
    }
    return true;
}

CommandResult Session::run(const std::vector<std::string>& argv, milliseconds timeout) {
    return runCommand(argv, environment(), timeout);
}

bool Session::xdotool(const std::vector<std::string>& args) {
    std::vector<std::string> argv = {"xdotool"};
    argv.insert(argv.end(), args.begin(), args.end());
    const CommandResult r = run(argv);
    if (r.status != 0) {
        ADD_FAILURE() << "xdotool failed (" << r.status << "): " << r.output;
    }
    return r.status == 0;
}

std::string Session::screenshot(const std::string& name) {
    const std::string path = dir_ + "/" + name + ".png";
    const CommandResult r = run({"import", "-window", "root", "png:" + path});
    return r.status == 0 ? path : std::string();
}

std::string Session::settingsPath() const {
    return configDir_ + "/Dimwarden.ini";
}

std::string Session::readSettings() const {
    return readWholeFile(settingsPath());
}

void Session::writeSettings(const std::string& text) const {
    std::ofstream(settingsPath(), std::ios::binary) << text;
}

// ---- Fixture ----------------------------------------------------------------------------------

void ToolTest::SetUp() {
    if (!XvfbServer::available()) {
        GTEST_SKIP() << "Xvfb is not installed";
    }
    session_ = std::make_unique<Session>();
    ASSERT_TRUE(session_->ready()) << session_->error();
    ASSERT_NO_THROW(session_->setRamp(fullRange()));
}

std::optional<WindowInfo> ToolTest::waitMainWindow(const ChildProcess& tool, milliseconds timeout) {
    return waitForWindow(
        display(), tool.pid(),
        [](const WindowInfo& w) {
            return w.viewable && w.width == layout::kMainWidth && w.height == layout::kMainHeight;
        },
        timeout);
}

bool ToolTest::click(const WindowInfo& window, layout::Point at, int button) {
    return session_->xdotool({"mousemove", std::to_string(window.x + at.first),
                              std::to_string(window.y + at.second), "click",
                              std::to_string(button)});
}

std::optional<std::uint32_t> ToolTest::pixelIn(const WindowInfo& window, layout::Point at) {
    return screenPixel(display(), window.x + at.first, window.y + at.second);
}

::testing::AssertionResult ToolTest::rampBecomes(const GammaRamp& expected, milliseconds timeout) {
    if (waitForRamp(display(), expected, timeout)) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << "display ramp: " << rampDifference(expected, tryReadRamp(display()));
}

::testing::AssertionResult ToolTest::exitsWith(ChildProcess& tool, int status) {
    const std::optional<int> seen = tool.waitExit(kStepTimeout);
    if (seen == status) {
        return ::testing::AssertionSuccess();
    }
    auto failure = ::testing::AssertionFailure();
    if (seen) {
        failure << "exit status " << *seen << ", expected " << status;
    } else {
        failure << "still running after " << kStepTimeout.count() << " ms";
    }
    return failure << "; its output:\n" << tool.log();
}

bool ToolTest::holdsFor(const std::function<bool()>& condition, milliseconds period) {
    return !waitUntil([&] { return !condition(); }, period);
}

}  // namespace e2e
