#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "forms/Layout.h"

// Two pictures of one window, drawn by different views from the same layout table, held against
// each other region by region. The regions come from the table: every pixel belongs to the
// frontmost control drawn there, or to the window's ground. Text is judged loosely, since faces
// differ from system to system; everything else must match closely.
namespace picture_match {

struct Image {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> rgb;  // 0xRRGGBB, row by row

    std::uint32_t at(int x, int y) const {
        return rgb[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                   static_cast<std::size_t>(x)];
    }
};

enum class Check {
    Same,    // pictures, bands, swatches, the switch, outlines, the ground: colour by colour
    Ink,     // text: only that there is some, in both
    Covers,  // a control the toolkit draws its own way (a scroll bar): it covers its rectangle
    // A picture at a fractional scale, which each toolkit resamples with a filter of its own:
    // colour by colour in the means of small blocks (a side of the slack and one), so that the
    // filters agree and a picture moved by one pixel still fails. The verdict counts blocks.
    Blocks,
};

// Which region each pixel belongs to.
struct Regions {
    int width = 0;
    int height = 0;
    std::vector<std::string> names;  // region 0 is the window's ground
    std::vector<Check> checks;
    std::vector<std::uint32_t> grounds;  // Covers: the colour behind the control, 0xRRGGBB
    std::vector<int> owner;              // a region per pixel, row by row
    // A pixel of a label's own rectangle (with its margin), where its text starts; the rest of
    // its line may hold what another label's text runs into.
    std::vector<bool> textStart;
    // At a density that is no whole multiple of 96 a design pixel is a fraction of a screen pixel
    // more or less, and each toolkit rounds the edges of its lines its own way: only the pixels
    // this far inside a region are then held to a colour.
    int slack = 0;
};

// Where item `item` of control `index` lies in the window, in twips.
using Place = std::function<layout::TwipsRect(int index, int item)>;

// Paints the table's visible controls back to front into a region map of the window's size. A
// label owns its rectangle with a margin, and what no other label's rectangle holds from there to
// the right edge of its parent (text may run past the design width in another face); a window in
// front of it covers it. `dpi`: the windows were drawn at that density.
Regions paint(std::span<const layout::Control> table, BgrColor windowBack, int width, int height,
              const Place& place, int dpi = layout::kDesignDpi);

// Colours this close are one colour drawn by two decoders or blenders.
bool close(std::uint32_t a, std::uint32_t b);

struct Verdict {
    std::string name;
    Check check = Check::Same;
    int pixels = 0;
    // Same: pixels whose colours are not close; Covers: pixels of the ground in either picture.
    int differing = 0;
    int inkA = 0;  // Ink: pixels of each picture off the region's commonest colour
    int inkB = 0;
    layout::PixelPoint inkStartA;  // Ink: the leftmost column and the top row of the ink
    layout::PixelPoint inkStartB;
    bool ok = true;
};

// Judges every region that owns a pixel (with the regions' slack). Same and Covers pass with at
// most one differing pixel in 400 (2 in a small region), so that an edge moved by one pixel fails;
// Ink passes when each picture has ink there and both inks start within 2 pixels of each other,
// left and top (where text ends depends on the face). The pictures must have the regions' size.
// `marks`, when given, gets every differing pixel.
std::vector<Verdict> compare(const Image& a, const Image& b, const Regions& regions,
                             std::vector<bool>* marks = nullptr);

}  // namespace picture_match
