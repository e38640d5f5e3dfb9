#pragma once

#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "pause/ActiveWindowSource.h"

// What pausing the tint decides, with no window system: which outputs a window is on and covers,
// whether an application is one the user listed, and which outputs the active window pauses.
namespace pausing {

// A rectangle in the desktop's pixels; width and height are never negative.
struct Rect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

struct OutputRect {
    std::string name;
    Rect rect;
};

// The outputs a window's frame overlaps, in the order given, each marked covered when the frame
// covers all of it. An empty output or frame is on nothing.
std::vector<ActiveWindowSource::Placement> placements(const Rect& frame,
                                                      const std::vector<OutputRect>& outputs);

// Whether `name` is one of `listed`, compared without regard to (ASCII) case; a program's file
// name matches with or without ".exe" on either side.
bool listed(std::string_view name, const std::vector<std::string>& listed);

// The two choices, both off until the user turns them on.
struct Choices {
    bool fullscreen = false;        // pause for a window that covers a whole monitor
    std::vector<std::string> apps;  // pause for these applications
    friend bool operator==(const Choices&, const Choices&) = default;
};

// The outputs `window` pauses: with `fullscreen` on, every output a full-screen window is on and
// every output a window covers whole; for a listed application, every output it is on.
std::set<std::string> pausedOutputs(const std::optional<ActiveWindowSource::Window>& window,
                                    const Choices& choices);

// The application list as the user writes it ("mpv, gimp"): names split at commas, blanks
// around each dropped, empty ones and repeats (by the comparison above) left out.
std::vector<std::string> parseApps(std::string_view text);
// The other way round: names joined by commas.
std::string joinApps(const std::vector<std::string>& apps);

}  // namespace pausing
