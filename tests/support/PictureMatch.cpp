#include "support/PictureMatch.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <map>
#include <optional>
#include <tuple>

namespace picture_match {

namespace {

constexpr int kCloseChannel = 24;
// Text may stand a little above, below or left of its design rectangle in another face.
constexpr int kTextMargin = 3;
// Fewer pixels than this off the ground are specks, not text.
constexpr int kLeastInk = 8;
// How far the start of a text may move from one face to another.
constexpr int kTextShift = 2;

std::uint32_t rgbOf(BgrColor c) {
    return static_cast<std::uint32_t>(c.red() << 16 | c.green() << 8 | c.blue());
}

struct Box {
    int left = 0;
    int top = 0;
    int right = 0;  // past the end
    int bottom = 0;

    Box clipped(const Box& to) const {
        return {std::max(left, to.left), std::max(top, to.top), std::min(right, to.right),
                std::min(bottom, to.bottom)};
    }
    Box inset(int by) const { return {left + by, top + by, right - by, bottom - by}; }
};

Box boxOf(const layout::TwipsRect& r, int dpi) {
    const layout::PixelRect p = layout::toPixels(r, dpi);
    return {p.left, p.top, p.left + p.width, p.top + p.height};
}

class Painter {
  public:
    Painter(std::span<const layout::Control> table, int width, int height, const Place& place,
            int dpi)
        : table_(table), place_(place), dpi_(dpi) {
        const auto size = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
        out_.width = width;
        out_.height = height;
        out_.owner.assign(size, 0);
        out_.textStart.assign(size, false);
    }

    Regions run(BgrColor windowBack) {
        out_.slack = dpi_ % layout::kDesignDpi == 0
                         ? 0
                         : layout::scalePixels(layout::kSunkenEdgePixels, dpi_) + 1;
        addRegion("window", Check::Same, 0);
        paintChildren(layout::kWindow, windowBack, {0, 0, out_.width, out_.height});
        return std::move(out_);
    }

  private:
    const layout::Control& at(int index) const { return table_[static_cast<std::size_t>(index)]; }

    int addRegion(std::string name, Check check, std::uint32_t ground) {
        out_.names.push_back(std::move(name));
        out_.checks.push_back(check);
        out_.grounds.push_back(ground);
        return static_cast<int>(out_.names.size()) - 1;
    }

    // Siblings from the back (the highest place in the stacking order) to the front.
    void paintChildren(int parent, BgrColor ground, const Box& clip) {
        std::vector<int> children;
        for (int i = 0; i < static_cast<int>(table_.size()); ++i) {
            const layout::Control& c = at(i);
            if (c.parent == parent && c.visible && c.kind != layout::Kind::Menu &&
                c.kind != layout::Kind::MenuItem) {
                children.push_back(i);
            }
        }
        std::stable_sort(children.begin(), children.end(),
                         [&](int a, int b) { return at(a).stack > at(b).stack; });
        for (int i : children) {
            for (int item = 0; item < at(i).count; ++item) {
                paintControl(i, item, ground, clip);
            }
        }
    }

    void paintControl(int index, int item, BgrColor ground, const Box& clip) {
        const layout::Control& c = at(index);
        const Box box = boxOf(place_(index, item), dpi_);
        const int margin = layout::scalePixels(kTextMargin, dpi_);
        std::string name = c.name;
        if (c.count > 1) {
            name += "(" + std::to_string(item) + ")";
        }
        switch (c.kind) {
            case layout::Kind::Label: {
                const int region = addRegion(name, Check::Ink, 0);
                const Box design = {box.left - margin, box.top - margin, box.right + margin,
                                    box.bottom + margin};
                fill({design.left, design.top, clip.right, design.bottom}, clip, region, false);
                fill(design, clip, region, true);
                return;
            }
            case layout::Kind::Shape: {
                const int region = addRegion(name, Check::Same, 0);
                const int w = layout::scalePixels(c.lineWidthPx, dpi_);
                for (const Box& side : {Box{box.left, box.top, box.right, box.top + w},
                                        Box{box.left, box.bottom - w, box.right, box.bottom},
                                        Box{box.left, box.top, box.left + w, box.bottom},
                                        Box{box.right - w, box.top, box.right, box.bottom}}) {
                    fill(side, clip, region, std::nullopt);
                }
                return;
            }
            case layout::Kind::ScrollBar:
                fill(box, clip, addRegion(name, Check::Covers, rgbOf(ground)), std::nullopt);
                break;
            default: {
                const bool blocks = out_.slack > 0 && c.picture != layout::Picture::None;
                fill(box, clip, addRegion(name, blocks ? Check::Blocks : Check::Same, 0),
                     std::nullopt);
                break;
            }
        }
        paintChildren(index, c.back,
                      box.inset(c.sunken ? layout::scalePixels(layout::kSunkenEdgePixels, dpi_) : 0)
                          .clipped(clip));
    }

    // `text`: true paints a label's design rectangle, false the rest of its line, which leaves
    // other labels' rectangles alone; a window (nullopt) covers everything.
    void fill(const Box& box, const Box& clip, int region, std::optional<bool> text) {
        const Box b = box.clipped(clip);
        for (int y = b.top; y < b.bottom; ++y) {
            for (int x = b.left; x < b.right; ++x) {
                const auto i = static_cast<std::size_t>(y) * static_cast<std::size_t>(out_.width) +
                               static_cast<std::size_t>(x);
                if (text == false && out_.textStart[i]) {
                    continue;
                }
                out_.owner[i] = region;
                out_.textStart[i] = text.value_or(false);
            }
        }
    }

    std::span<const layout::Control> table_;
    const Place& place_;
    int dpi_;
    Regions out_;
};

// Text judged loosely: its ink is what is off the commonest colour of its region.
struct Text {
    std::vector<std::uint32_t> pixels;
    std::vector<layout::PixelPoint> places;

    // `at` is {-1, -1} where the text cannot start.
    void add(std::uint32_t pixel, layout::PixelPoint at) {
        pixels.push_back(pixel);
        places.push_back(at);
    }

    // The count of ink pixels and where the ink starts.
    std::pair<int, layout::PixelPoint> ink() const {
        std::map<std::uint32_t, int> counts;
        for (std::uint32_t p : pixels) {
            ++counts[p];
        }
        const auto ground = std::max_element(counts.begin(), counts.end(), [](auto& a, auto& b) {
                                return a.second < b.second;
                            })->first;
        int n = 0;
        layout::PixelPoint start{INT_MAX, INT_MAX};
        for (std::size_t i = 0; i < pixels.size(); ++i) {
            if (!close(pixels[i], ground)) {
                ++n;
                if (places[i].x >= 0) {
                    start = {std::min(start.x, places[i].x), std::min(start.y, places[i].y)};
                }
            }
        }
        return {n, start};
    }
};

int ownerAt(const Regions& regions, int x, int y) {
    return regions.owner[static_cast<std::size_t>(y) * static_cast<std::size_t>(regions.width) +
                         static_cast<std::size_t>(x)];
}

// Whether every pixel of the box (clipped to the picture) belongs to region `own`.
bool allOf(const Regions& regions, int own, const Box& box) {
    for (int y = std::max(box.top, 0); y < std::min(box.bottom, regions.height); ++y) {
        for (int x = std::max(box.left, 0); x < std::min(box.right, regions.width); ++x) {
            if (ownerAt(regions, x, y) != own) {
                return false;
            }
        }
    }
    return true;
}

// Whether the pixels within the regions' slack of (x, y) all belong to the region of (x, y).
bool inside(const Regions& regions, int x, int y) {
    const int s = regions.slack;
    return allOf(regions, ownerAt(regions, x, y), {x - s, y - s, x + s + 1, y + s + 1});
}

// The mean colour of a square block.
std::uint32_t meanOf(const Image& image, int left, int top, int side) {
    std::uint32_t mean = 0;
    for (int shift : {0, 8, 16}) {
        int sum = 0;
        for (int y = top; y < top + side; ++y) {
            for (int x = left; x < left + side; ++x) {
                sum += static_cast<int>((image.at(x, y) >> shift) & 0xFF);
            }
        }
        mean |= static_cast<std::uint32_t>(sum / (side * side)) << shift;
    }
    return mean;
}

}  // namespace

bool close(std::uint32_t a, std::uint32_t b) {
    for (int shift : {0, 8, 16}) {
        const int d = static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
        if (std::abs(d) > kCloseChannel) {
            return false;
        }
    }
    return true;
}

Regions paint(std::span<const layout::Control> table, BgrColor windowBack, int width, int height,
              const Place& place, int dpi) {
    return Painter(table, width, height, place, dpi).run(windowBack);
}

std::vector<Verdict> compare(const Image& a, const Image& b, const Regions& regions,
                             std::vector<bool>* marks) {
    const std::size_t n = regions.names.size();
    std::vector<Verdict> verdicts(n);
    std::vector<Text> textA(n);
    std::vector<Text> textB(n);
    if (marks != nullptr) {
        marks->assign(regions.owner.size(), false);
    }
    for (int y = 0; y < regions.height; ++y) {
        for (int x = 0; x < regions.width; ++x) {
            const auto i = static_cast<std::size_t>(y) * static_cast<std::size_t>(regions.width) +
                           static_cast<std::size_t>(x);
            const auto r = static_cast<std::size_t>(regions.owner[i]);
            const std::uint32_t pa = a.at(x, y);
            const std::uint32_t pb = b.at(x, y);
            bool differs = false;
            switch (regions.checks[r]) {
                case Check::Ink: {
                    const layout::PixelPoint at = regions.textStart[i] && inside(regions, x, y)
                                                      ? layout::PixelPoint{x, y}
                                                      : layout::PixelPoint{-1, -1};
                    textA[r].add(pa, at);
                    textB[r].add(pb, at);
                    break;
                }
                case Check::Blocks:
                    continue;
                case Check::Same:
                    if (!inside(regions, x, y)) {
                        continue;
                    }
                    differs = !close(pa, pb);
                    break;
                case Check::Covers:
                    differs = close(pa, regions.grounds[r]) || close(pb, regions.grounds[r]);
                    break;
            }
            ++verdicts[r].pixels;
            verdicts[r].differing += differs ? 1 : 0;
            if (marks != nullptr) {
                (*marks)[i] = differs;
            }
        }
    }
    const int side = regions.slack + 1;
    for (int by = 0; by + side <= regions.height; by += side) {
        for (int bx = 0; bx + side <= regions.width; bx += side) {
            const int r = ownerAt(regions, bx, by);
            if (regions.checks[static_cast<std::size_t>(r)] != Check::Blocks ||
                !allOf(regions, r, {bx, by, bx + side, by + side})) {
                continue;
            }
            const bool differs = !close(meanOf(a, bx, by, side), meanOf(b, bx, by, side));
            Verdict& v = verdicts[static_cast<std::size_t>(r)];
            ++v.pixels;
            v.differing += differs ? 1 : 0;
            for (int y = by; y < by + side && marks != nullptr; ++y) {
                for (int x = bx; x < bx + side; ++x) {
                    (*marks)[static_cast<std::size_t>(y) * static_cast<std::size_t>(regions.width) +
                             static_cast<std::size_t>(x)] = differs;
                }
            }
        }
    }
    std::vector<Verdict> out;
    for (std::size_t r = 0; r < n; ++r) {
        Verdict& v = verdicts[r];
        if (v.pixels == 0) {
            continue;
        }
        v.name = regions.names[r];
        v.check = regions.checks[r];
        if (v.check == Check::Ink) {
            std::tie(v.inkA, v.inkStartA) = textA[r].ink();
            std::tie(v.inkB, v.inkStartB) = textB[r].ink();
            v.ok = v.inkA >= kLeastInk && v.inkB >= kLeastInk &&
                   std::abs(v.inkStartA.x - v.inkStartB.x) <= kTextShift &&
                   std::abs(v.inkStartA.y - v.inkStartB.y) <= kTextShift;
        } else {
            v.ok = v.differing <= std::max(2, v.pixels / 400);
        }
        out.push_back(v);
    }
    return out;
}

}  // namespace picture_match
