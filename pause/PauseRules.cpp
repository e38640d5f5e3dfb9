#include "pause/PauseRules.h"

#include <algorithm>
#include <cstdint>

namespace pausing {

namespace {

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// The name as compared: lower case, without a trailing ".exe".
std::string folded(std::string_view name) {
    std::string out(name.size(), '\0');
    std::ranges::transform(name, out.begin(), lower);
    if (out.size() > 4 && out.ends_with(".exe")) {
        out.resize(out.size() - 4);
    }
    return out;
}

bool trimmedBlank(char c) {
    return c == ' ' || c == '\t';
}

}  // namespace

std::vector<ActiveWindowSource::Placement> placements(const Rect& frame,
                                                      const std::vector<OutputRect>& outputs) {
    std::vector<ActiveWindowSource::Placement> out;
    // 64 bits: a frame may sit far off screen, and x + width must not overflow.
    const std::int64_t left = frame.x;
    const std::int64_t top = frame.y;
    const std::int64_t right = left + frame.width;
    const std::int64_t bottom = top + frame.height;
    for (const OutputRect& o : outputs) {
        const std::int64_t oLeft = o.rect.x;
        const std::int64_t oTop = o.rect.y;
        const std::int64_t oRight = oLeft + o.rect.width;
        const std::int64_t oBottom = oTop + o.rect.height;
        if (o.rect.width <= 0 || o.rect.height <= 0 || frame.width <= 0 || frame.height <= 0) {
            continue;
        }
        if (left >= oRight || right <= oLeft || top >= oBottom || bottom <= oTop) {
            continue;
        }
        const bool covered = left <= oLeft && top <= oTop && right >= oRight && bottom >= oBottom;
        out.push_back({o.name, covered});
    }
    return out;
}

bool listed(std::string_view name, const std::vector<std::string>& listed) {
    const std::string n = folded(name);
    return !n.empty() &&
           std::ranges::any_of(listed, [&n](const std::string& l) { return folded(l) == n; });
}

std::set<std::string> pausedOutputs(const std::optional<ActiveWindowSource::Window>& window,
                                    const Choices& choices) {
    std::set<std::string> out;
    if (!window) {
        return out;
    }
    const bool app = std::ranges::any_of(
        window->appNames, [&choices](const std::string& n) { return listed(n, choices.apps); });
    for (const ActiveWindowSource::Placement& p : window->outputs) {
        if (app || (choices.fullscreen && (window->fullscreen || p.covered))) {
            out.insert(p.output);
        }
    }
    return out;
}

std::vector<std::string> parseApps(std::string_view text) {
    std::vector<std::string> apps;
    while (true) {
        const std::size_t comma = text.find(',');
        std::string_view item = text.substr(0, comma);
        while (!item.empty() && trimmedBlank(item.front())) {
            item.remove_prefix(1);
        }
        while (!item.empty() && trimmedBlank(item.back())) {
            item.remove_suffix(1);
        }
        if (!item.empty() && !listed(item, apps)) {
            apps.emplace_back(item);
        }
        if (comma == std::string_view::npos) {
            return apps;
        }
        text.remove_prefix(comma + 1);
    }
}

std::string joinApps(const std::vector<std::string>& apps) {
    std::string out;
    for (const std::string& a : apps) {
        out += (out.empty() ? "" : ",") + a;
    }
    return out;
}

}  // namespace pausing
