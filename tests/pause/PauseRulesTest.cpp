// Which outputs a window is on and covers, which applications are listed, and what the active
// window pauses.
#include <gtest/gtest.h>

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "pause/PauseRules.h"

namespace {

using Placement = ActiveWindowSource::Placement;
using Window = ActiveWindowSource::Window;

// Two 1920x1080 monitors side by side, then a 1280x1024 one below the first.
const std::vector<pausing::OutputRect> kOutputs = {
    {"DP-1", {0, 0, 1920, 1080}},
    {"HDMI-1", {1920, 0, 1920, 1080}},
    {"DP-2", {0, 1080, 1280, 1024}},
};

struct PlacementCase {
    const char* what;
    pausing::Rect frame;
    std::vector<Placement> want;
};

TEST(PauseRules, PlacementsOfAFrame) {
    const PlacementCase cases[] = {
        {"exactly one monitor", {0, 0, 1920, 1080}, {{"DP-1", true}}},
        {"larger than one monitor", {-10, -30, 1930, 1110}, {{"DP-1", true}}},
        {"a pixel short", {0, 0, 1919, 1080}, {{"DP-1", false}}},
        {"across two, covering neither",
         {1000, 100, 1000, 500},
         {{"DP-1", false}, {"HDMI-1", false}}},
        {"spanning both side by side", {0, 0, 3840, 1080}, {{"DP-1", true}, {"HDMI-1", true}}},
        {"touching an edge only", {1920, 1080, 100, 100}, {}},
        {"ending where the next starts", {1820, 0, 100, 1080}, {{"DP-1", false}}},
        {"off every monitor", {5000, 5000, 640, 480}, {}},
        {"empty", {0, 0, 0, 1080}, {}},
        {"overflowing int", {2147483000, 0, 2147483000, 10}, {}},
        {"the lower monitor exactly", {0, 1080, 1280, 1024}, {{"DP-2", true}}},
    };
    for (const PlacementCase& c : cases) {
        EXPECT_EQ(pausing::placements(c.frame, kOutputs), c.want) << c.what;
    }
}

TEST(PauseRules, ListedNames) {
    const std::vector<std::string> list = {"mpv", "GIMP", "Steam.exe"};
    const std::pair<const char*, bool> cases[] = {
        {"mpv", true},          {"MPV", true},        {"mpv.exe", true}, {"MPV.EXE", true},
        {"gimp", true},         {"gimp-2.10", false}, {"steam", true},   {"steam.exe", true},
        {"mp", false},          {"mpvx", false},      {"", false},       {".exe", false},
        {"mpv.exe.exe", false},
    };
    for (const auto& [name, want] : cases) {
        EXPECT_EQ(pausing::listed(name, list), want) << name;
    }
    EXPECT_FALSE(pausing::listed("mpv", {}));
}

struct PausedCase {
    const char* what;
    std::optional<Window> window;
    pausing::Choices choices;
    std::set<std::string> want;
};

TEST(PauseRules, OutputsTheActiveWindowPauses) {
    const Window fullscreen{{"game", "Game"}, true, {{"HDMI-1", true}}};
    const Window borderless{{"video"}, false, {{"DP-1", true}}};
    const Window straddling{{"mpv", "mpv"}, false, {{"DP-1", false}, {"HDMI-1", false}}};
    const Window wayland{{"org.gimp.GIMP"}, true, {{"DP-1", false}}};
    const Window minimised{{"mpv"}, false, {}};
    const pausing::Choices off;
    const pausing::Choices fs{true, {}};
    const pausing::Choices apps{false, {"mpv", "org.gimp.gimp"}};
    const pausing::Choices both{true, {"mpv"}};
    const PausedCase cases[] = {
        {"no window", std::nullopt, both, {}},
        {"both choices off", fullscreen, off, {}},
        {"full-screen state", fullscreen, fs, {"HDMI-1"}},
        {"full-screen state, no rectangle known", wayland, fs, {"DP-1"}},
        {"borderless the size of the monitor", borderless, fs, {"DP-1"}},
        {"full screen, not listed, only apps chosen", fullscreen, apps, {}},
        {"listed, on two monitors", straddling, apps, {"DP-1", "HDMI-1"}},
        {"listed but not full screen, only full screen chosen", straddling, fs, {}},
        {"listed by app_id, any case", wayland, apps, {"DP-1"}},
        {"listed and minimised", minimised, both, {}},
    };
    for (const PausedCase& c : cases) {
        EXPECT_EQ(pausing::pausedOutputs(c.window, c.choices), c.want) << c.what;
    }
}

TEST(PauseRules, AppListText) {
    const std::pair<const char*, std::vector<std::string>> cases[] = {
        {"", {}},
        {"mpv", {"mpv"}},
        {" mpv , gimp ", {"mpv", "gimp"}},
        {"mpv,,gimp,", {"mpv", "gimp"}},
        {"mpv,MPV,mpv.exe,gimp", {"mpv", "gimp"}},
        {" , ", {}},
        {"Visual Studio Code", {"Visual Studio Code"}},
    };
    for (const auto& [text, want] : cases) {
        EXPECT_EQ(pausing::parseApps(text), want) << text;
    }
    EXPECT_EQ(pausing::joinApps({"mpv", "gimp"}), "mpv,gimp");
}

}  // namespace
