#include "support/E2eSupport.h"

#include "color_picker/frmColorLayout.h"
#include "forms/Design.h"
#include "main_window/frmMainLayout.h"

#include <QDir>

#include "support/Files.h"

// After every Qt header: Xlib's macros (Bool, Status, None) break Qt headers included later.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <strings.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace e2e {

namespace {

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
    const bool trayer = hint.res_class != nullptr && strcasecmp(hint.res_class, "trayer") == 0;
    XFree(hint.res_name);
    XFree(hint.res_class);
    return trayer;
}

struct Walk {
    Display* d;
    Window root;
    Atom pidAtom;
    Atom stateAtom;
    pid_t pid;
    std::vector<WindowInfo> found;

    void visit(Window w, bool underTray) {
        const auto owner = cardinalProperty(d, w, pidAtom);
        XWindowAttributes attr{};
        if (owner && static_cast<pid_t>(*owner) == pid && XGetWindowAttributes(d, w, &attr) != 0) {
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
        const bool childrenInTray = underTray || isTrayerWindow(d, w);
        for (Window c : list) {
            visit(c, childrenInTray);
        }
    }
};

bool selectionOwned(const std::string& display, const std::string& selection) {
    XDisplayPtr d = openXDisplay(display);
    return d && XGetSelectionOwner(d.get(), XInternAtom(d.get(), selection.c_str(), False)) != None;
}

// Whether a window manager takes new windows: the root's _NET_SUPPORTING_WM_CHECK alone is not
// enough, since openbox sets it before it reads requests, and a window mapped in between is never
// managed (nor mapped). So a window of the test's own is mapped, again every 100 ms while the
// request may have been lost, until the manager reparents it into a frame.
class ManagerProbe {
  public:
    explicit ManagerProbe(const std::string& display) : d_(openXDisplay(display)) {
        if (d_) {
            window_ =
                XCreateSimpleWindow(d_.get(), DefaultRootWindow(d_.get()), 0, 0, 16, 16, 0, 0, 0);
        }
    }
    ~ManagerProbe() {
        if (d_) {
            XDestroyWindow(d_.get(), window_);
            XSync(d_.get(), False);
        }
    }
    ManagerProbe(const ManagerProbe&) = delete;
    ManagerProbe& operator=(const ManagerProbe&) = delete;

    bool managed() {
        if (!d_) {
            return false;
        }
        Window root = None;
        Window parent = None;
        Window* children = nullptr;
        unsigned int count = 0;
        const bool framed =
            XQueryTree(d_.get(), window_, &root, &parent, &children, &count) != 0 && parent != root;
        if (children != nullptr) {
            XFree(children);
        }
        if (!framed && Clock::now() - lastMap_ >= milliseconds(100)) {
            XMapWindow(d_.get(), window_);
            XFlush(d_.get());
            lastMap_ = Clock::now();
        }
        return framed;
    }

  private:
    XDisplayPtr d_;
    Window window_ = None;
    Clock::time_point lastMap_{};
};

}  // namespace

std::optional<WindowInfo> trayIcon(const std::string& display, const ChildProcess& tool) {
    for (const WindowInfo& w : windowsOf(display, tool.pid())) {
        if (w.inTray && w.viewable) {
            return w;
        }
    }
    return std::nullopt;
}

bool isMenuOpen(const std::string& display, const ChildProcess& tool) {
    for (const WindowInfo& w : windowsOf(display, tool.pid())) {
        if (w.viewable && !w.inTray && w.width < 300 && w.height < 200) {
            return true;
        }
    }
    return false;
}

std::vector<std::string> dimwardenLines(const std::string& log) {
    std::istringstream in(log);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        if (line.starts_with("dimwarden:")) {
            lines.push_back(line);
        }
    }
    return lines;
}

bool waitForWindowManager(const std::string& display, milliseconds timeout) {
    ManagerProbe probe(display);
    return waitUntil([&] { return probe.managed(); }, timeout);
}

bool wmctrl(const QProcessEnvironment& environment, const std::vector<std::string>& args,
            milliseconds timeout) {
    std::vector<std::string> argv = {"wmctrl", "-x"};
    argv.insert(argv.end(), args.begin(), args.end());
    return waitUntil([&] { return runCommand(argv, environment).status == 0; }, timeout);
}

std::vector<unsigned long> stackingOrder(const std::string& display) {
    std::vector<unsigned long> order;
    XDisplayPtr d = openXDisplay(display);
    if (!d) {
        return order;
    }
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(d.get(), DefaultRootWindow(d.get()),
                           XInternAtom(d.get(), "_NET_CLIENT_LIST_STACKING", False), 0, 4096, False,
                           XA_WINDOW, &type, &format, &count, &after, &data) == Success &&
        data != nullptr && format == 32) {
        const long* ids = reinterpret_cast<const long*>(data);
        order.assign(ids, ids + count);
    }
    if (data != nullptr) {
        XFree(data);
    }
    return order;
}

namespace {

std::optional<GammaRamp> tryReadRamp(const std::string& display) {
    try {
        return readCrtcRamp(display);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

// A readable account of the first entries where two ramps differ, for failure messages.
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

}  // namespace

// ---- X queries --------------------------------------------------------------------------------

std::vector<WindowInfo> windowsOf(const std::string& display, pid_t pid) {
    XDisplayPtr d = openXDisplay(display);
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
    return waitForWindow(
        display, pid,
        [&](const WindowInfo& w) { return w.viewable && w.width == width && w.height == height; },
        milliseconds(0));
}

void useQtWayland(QProcessEnvironment& environment) {
    environment.insert("QT_QPA_PLATFORM", "wayland");
    if (environment.contains("ASAN_OPTIONS")) {
        environment.insert("ASAN_OPTIONS", environment.value("ASAN_OPTIONS") + ":detect_leaks=0");
    }
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

// ---- Ramps ------------------------------------------------------------------------------------

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

// ---- Session ----------------------------------------------------------------------------------

Session::Session() : folder_(QDir::tempPath() + "/dimwarden-e2e-XXXXXX") {
    if (!xvfb_.running() || !folder_.isValid()) {
        return;
    }
    dir_ = folder_.path().toStdString();
    runtimeDir_ = dir_ + "/runtime";
    configDir_ = dir_ + "/config";
    mkdir(runtimeDir_.c_str(), 0700);
    mkdir(configDir_.c_str(), 0700);
}

Session::~Session() {
    helpers_.clear();  // before the server and the folder go
    xvfb_.stop();
    if (!dir_.empty() && ::testing::Test::HasFailure()) {
        folder_.setAutoRemove(false);
        std::fprintf(stderr, "e2e: logs kept in %s\n", dir_.c_str());
    }
}

std::string Session::error() const {
    if (!xvfb_.running()) {
        return "Xvfb: " + xvfb_.error();
    }
    return folder_.isValid() ? "" : "cannot make a temporary folder";
}

QProcessEnvironment Session::environment() const {
    QProcessEnvironment env = xvfb_.environment();
    // A Wayland session's variables would send the tool to the Wayland backend.
    for (const char* key : {"DBUS_SESSION_BUS_ADDRESS", "QT_QPA_PLATFORM", "SESSION_MANAGER",
                            "WAYLAND_DISPLAY", "XDG_SESSION_TYPE"}) {
        env.remove(key);
    }
    env.insert("XDG_RUNTIME_DIR", QString::fromStdString(runtimeDir_));
    env.insert("XDG_CONFIG_HOME", QString::fromStdString(configDir_));
    if (!busAddress_.isEmpty()) {
        env.insert("DBUS_SESSION_BUS_ADDRESS", busAddress_);
    }
    return env;
}

std::unique_ptr<ChildProcess> Session::start(const std::vector<std::string>& argv,
                                             const std::string& logName) {
    return std::make_unique<ChildProcess>(argv, environment(), dir_ + "/" + logName);
}

std::unique_ptr<ChildProcess> Session::startTool() {
    return start({DIMWARDEN_BINARY}, "tool-" + std::to_string(++toolCount_) + ".log");
}

bool Session::startHelper(const std::vector<std::string>& argv,
                          const std::function<bool()>& inService, std::string& why) {
    helpers_.push_back(start(argv, argv[0] + ".log"));
    ChildProcess& helper = *helpers_.back();
    if (waitUntil([&] { return inService() || !helper.running(); }, kStartTimeout) &&
        helper.running()) {
        return true;
    }
    why = argv[0] + " did not start: " + helper.log();
    return false;
}

bool Session::startOpenbox(std::string& why) {
    ManagerProbe probe(display());
    return startHelper(
        {"openbox", "--sm-disable"}, [&] { return probe.managed(); }, why);
}

bool Session::startTrayer(std::string& why) {
    return startHelper(
        {"trayer", "--edge", "top", "--align", "right", "--widthtype", "pixel", "--width", "120",
         "--heighttype", "pixel", "--height", "32", "--transparent", "false"},
        [&] { return selectionOwned(display(), "_NET_SYSTEM_TRAY_S0"); }, why);
}

bool Session::xdotool(const std::vector<std::string>& args) {
    std::vector<std::string> argv = {"xdotool"};
    argv.insert(argv.end(), args.begin(), args.end());
    const CommandResult r = runCommand(argv, environment(), kStepTimeout);
    if (r.status != 0) {
        ADD_FAILURE() << "xdotool failed (" << r.status << "): " << r.output;
    }
    return r.status == 0;
}

std::string Session::settingsPath() const {
    return configDir_ + "/Dimwarden.ini";
}

std::string Session::readSettings() const {
    return readBytes(settingsPath());
}

void Session::writeSettings(const std::string& text) const {
    writeBytes(settingsPath(), text);
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
    XDisplayPtr d = openXDisplay(display());
    XImage* image = d ? XGetImage(d.get(), DefaultRootWindow(d.get()), window.x + at.first,
                                  window.y + at.second, 1, 1, AllPlanes, ZPixmap)
                      : nullptr;
    if (image == nullptr) {
        return std::nullopt;
    }
    const auto pixel = static_cast<std::uint32_t>(XGetPixel(image, 0, 0) & 0xFFFFFF);
    XDestroyImage(image);
    return pixel;
}

::testing::AssertionResult ToolTest::rampBecomes(const GammaRamp& expected, milliseconds timeout) {
    if (waitUntil([&] { return tryReadRamp(display()) == expected; }, timeout)) {
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

namespace layout {

namespace {

using MainId = frmMainLayout::Id;
using PickerId = frmColorLayout::Id;

Point centre(const ::layout::TwipsRect& r) {
    const ::layout::PixelPoint p = ::layout::pixelCentre(r);
    return {p.x, p.y};
}

Point knobCentre(bool on) {
    ::layout::TwipsRect knob = frmMainLayout::inWindow(MainId::picSwitch);
    knob.left = frmMainLayout::knobLeft(on);
    return centre(knob);
}

::layout::TwipsRect markerAround(int i) {
    const ::layout::TwipsRect s = frmColorLayout::inLoadedWindow(PickerId::picPickColor, i);
    return frmColorLayout::markerAround({s.left, s.top, s.width, s.height});
}

}  // namespace

const int kMainWidth = ::layout::toPixels(frmMainLayout::kWindow.client).width;
const int kMainHeight = ::layout::toPixels(frmMainLayout::kWindow.client).height;
const int kPickerWidth = ::layout::twipsToPixels(frmColorLayout::loaded().width);
const int kPickerHeight = ::layout::twipsToPixels(frmColorLayout::loaded().height);
const Point kClose = centre(frmMainLayout::inWindow(MainId::picCls));
const Point kMinimise = centre(frmMainLayout::inWindow(MainId::picMini));
const Point kTitleFree = [] {
    const ::layout::TwipsRect title = frmMainLayout::inWindow(MainId::lbTitle);
    const ::layout::TwipsRect mini = frmMainLayout::inWindow(MainId::picMini);
    const ::layout::TwipsRect bar = frmMainLayout::inWindow(MainId::picTopbar);
    const float left = title.left + title.width;
    const float top = mini.top + mini.height;
    return centre({left, top, mini.left - left, bar.height - top});
}();
const Point kColourSwatch = centre(frmMainLayout::inWindow(MainId::picColor));
const Point kKnobInNight = knobCentre(true);
const Point kKnobInNormal = knobCentre(false);
const Point kSwitchLeft = [] {
    const ::layout::TwipsRect track = frmMainLayout::inWindow(MainId::shpSwitch);
    const float freeLeft = frmMainLayout::knobLeft(false);
    return centre({track.left, track.top, freeLeft - track.left, track.height});
}();
const std::uint32_t kSwitchBlue = [] {
    const BgrColor c = design::kSwitchBlue;
    return static_cast<std::uint32_t>(c.red() << 16 | c.green() << 8 | c.blue());
}();
const Point kPickerConfirm = centre(frmColorLayout::inLoadedWindow(PickerId::picCls));

Point pickerSwatchCentre(int i) {
    return centre(frmColorLayout::inLoadedWindow(PickerId::picPickColor, i));
}

Point markerLeftEdge(int i) {
    return {::layout::twipsToPixels(markerAround(i).left), pickerSwatchCentre(i).second};
}

}  // namespace layout

}  // namespace e2e
