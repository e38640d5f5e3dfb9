#pragma once

#include <gtest/gtest.h>
#include <sys/types.h>

#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "gamma/GammaRamp.h"
#include "support/XvfbServer.h"

// Support for driving the real binary the way a person would: on a private Xvfb, with its own
// runtime and configuration folders, a window manager or a notification area when a test asks for
// one, input through xdotool and pixels read straight from the server.
namespace e2e {

using Clock = std::chrono::steady_clock;
using ::ChildProcess;
using std::chrono::milliseconds;

// Generous enough for a cold start under AddressSanitizer on a busy two-core machine.
inline constexpr milliseconds kStartTimeout{20000};
inline constexpr milliseconds kStepTimeout{10000};

// What the X server says about one window that a process created (its _NET_WM_PID).
struct WindowInfo {
    unsigned long id = 0;
    int x = 0;  // position on the root window
    int y = 0;
    int width = 0;
    int height = 0;
    bool viewable = false;
    int wmState = -1;  // WM_STATE: 0 withdrawn, 1 normal, 3 iconic; -1 when the property is unset
    bool inTray = false;  // embedded in trayer's panel
};

inline constexpr int kWmStateNormal = 1;
inline constexpr int kWmStateIconic = 3;

// Every window of `pid` on `display`, top-level or embedded, mapped or not.
std::vector<WindowInfo> windowsOf(const std::string& display, pid_t pid);

// Polls the windows of `pid` until one matches; the match, or nothing at `timeout`.
std::optional<WindowInfo> waitForWindow(const std::string& display, pid_t pid,
                                        const std::function<bool(const WindowInfo&)>& match,
                                        milliseconds timeout = kStepTimeout);
// The viewable window of `pid` with exactly this size, if there is one now.
std::optional<WindowInfo> viewableWindow(const std::string& display, pid_t pid, int width,
                                         int height);

// The tool's icon in the notification area, if it is shown there now.
std::optional<WindowInfo> trayIcon(const std::string& display, const ChildProcess& tool);
// The File menu: a small viewable window of the tool's own, neither the icon nor the main window.
bool isMenuOpen(const std::string& display, const ChildProcess& tool);

// The lines of a tool's output that it wrote itself (those starting with "dimwarden:").
std::vector<std::string> dimwardenLines(const std::string& log);
// Waits until a window manager manages new windows on `display`; false at `timeout`.
bool waitForWindowManager(const std::string& display, milliseconds timeout = kStepTimeout);
// wmctrl -x with these arguments, against the display of `environment`, until it succeeds (a
// window just started may not be managed yet); false at `timeout`.
bool wmctrl(const QProcessEnvironment& environment, const std::vector<std::string>& args,
            milliseconds timeout = kStepTimeout);
// The window manager's client windows, bottom to top (_NET_CLIENT_LIST_STACKING).
std::vector<unsigned long> stackingOrder(const std::string& display);

// Every channel's entry i is `f(i)`.
GammaRamp rampOf(const std::function<std::uint16_t(std::size_t)>& f);
// Entry i is i * 257: the ramp set before every run.
GammaRamp fullRange();
// Entry i is i * 256: the identity ramp the tool writes on the way out.
GammaRamp identity();
// `from` with each channel kept at k/40 of its value, rounded to nearest, ties to even: what a
// tint of strength 40 - k does to that channel.
GammaRamp keep(const GammaRamp& from, int red, int green, int blue);
// The tint of the default colour 0x00FF8000 on `base` (a fresh start sees the full-range ramp).
inline GammaRamp defaultTint(const GammaRamp& base = fullRange()) {
    return keep(base, 20, 30, 40);
}

// Points the tool's environment at Qt's Wayland platform. Qt's Wayland plugin keeps allocations
// until exit, some from code unloaded before the sanitizer's leak check runs, which no
// suppression can name; so that check is off there (the X11 runs check the tool's own leaks).
void useQtWayland(QProcessEnvironment& environment);

// Whether `pid` has handlers installed for every one of `signalNumbers` (SigCgt in /proc).
bool catchesSignals(pid_t pid, const std::vector<int>& signalNumbers);

// One desktop session: a private Xvfb, a fresh 0700 runtime folder and an empty configuration
// folder, with optional openbox and trayer. Helpers are killed before the server; the folders
// are removed unless the test failed, in which case their path (with every process's log) is
// printed.
class Session {
  public:
    Session();
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    bool ready() const { return xvfb_.running() && folder_.isValid(); }
    std::string error() const;
    const std::string& display() const { return xvfb_.display(); }

    // The environment every process of the session gets: this process's own, without any
    // session bus, platform plugin or XDG folders, plus DISPLAY and the two private folders.
    QProcessEnvironment environment() const;
    // Gives every process started from now on this session bus.
    void useSessionBus(const QString& address) { busAddress_ = address; }

    std::unique_ptr<ChildProcess> start(const std::vector<std::string>& argv,
                                        const std::string& logName);
    // The tool itself; its output goes to tool-<n>.log in the session folder.
    std::unique_ptr<ChildProcess> startTool();
    // Start a helper and wait until it is in service; false (with its log in `why`) otherwise.
    bool startOpenbox(std::string& why);
    bool startTrayer(std::string& why);

    // xdotool with these arguments; true when it succeeded.
    bool xdotool(const std::vector<std::string>& args);

    // Writes a known ramp to the display, over a connection of the test's own.
    void setRamp(const GammaRamp& ramp) { setCrtcRamp(display(), ramp); }

    std::string settingsPath() const;
    std::string readSettings() const;
    void writeSettings(const std::string& text) const;

  private:
    bool startHelper(const std::vector<std::string>& argv, const std::function<bool()>& inService,
                     std::string& why);

    QTemporaryDir folder_;  // declared first so that it goes last
    XvfbServer xvfb_;
    std::string dir_;
    std::string runtimeDir_;
    std::string configDir_;
    QString busAddress_;
    int toolCount_ = 0;
    std::vector<std::unique_ptr<ChildProcess>> helpers_;
};

// Where things are in the tool's windows, in pixels from the window's top-left corner, taken from
// the windows' layout tables.
namespace layout {
using Point = std::pair<int, int>;
extern const int kMainWidth;
extern const int kMainHeight;
extern const int kPickerWidth;
extern const int kPickerHeight;
extern const Point kClose;
extern const Point kMinimise;
// A point of the top bar that no control covers: between the title's end and the minimise button.
extern const Point kTitleFree;
extern const Point kColourSwatch;
// The middle of the switch knob in night mode (at the track's left end) and in normal mode.
extern const Point kKnobInNight;
extern const Point kKnobInNormal;
// Covered by the blue knob in night mode only.
extern const Point kSwitchLeft;
// The switch's blue as the screen shows it (0xRRGGBB).
extern const std::uint32_t kSwitchBlue;
extern const Point kPickerConfirm;
// Centre of picker swatch i in the loaded picker.
Point pickerSwatchCentre(int i);
// Where the left line of the marker around swatch i is drawn, level with the swatch's centre.
Point markerLeftEdge(int i);
}  // namespace layout

// A test case with its own session whose display starts from the full-range ramp.
class ToolTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override { session_.reset(); }

    Session& session() { return *session_; }
    const std::string& display() const { return session_->display(); }

    // Waits for the main window of `tool` to be viewable.
    std::optional<WindowInfo> waitMainWindow(const ChildProcess& tool,
                                             milliseconds timeout = kStartTimeout);
    // A click (press and release) of `button` at `at` inside `window`.
    bool click(const WindowInfo& window, layout::Point at, int button = 1);
    // The screen's pixel at `at` inside `window`.
    std::optional<std::uint32_t> pixelIn(const WindowInfo& window, layout::Point at);

    ::testing::AssertionResult rampBecomes(const GammaRamp& expected,
                                           milliseconds timeout = kStepTimeout);
    ::testing::AssertionResult exitsWith(ChildProcess& tool, int status);
    // For checks that something does not happen: true if `condition` held throughout `period`.
    static bool holdsFor(const std::function<bool()>& condition, milliseconds period);

  private:
    std::unique_ptr<Session> session_;
};

}  // namespace e2e
