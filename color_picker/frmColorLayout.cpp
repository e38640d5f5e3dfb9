// The colour picker as it is created, and the geometry its load sequence gives it.
#include "color_picker/frmColorLayout.h"

#include "forms/Design.h"

namespace frmColorLayout {

namespace {

using namespace design;
using layout::Control;
using layout::Kind;
using layout::Picture;
constexpr int kForm = layout::kWindow;

// The marker frames a swatch from 30 twips above and to the left of it.
constexpr float kMarkerOffset = 30;

const Control& control(Id id) {
    return kControls[static_cast<std::size_t>(index(id))];
}

}  // namespace

const layout::Window kWindow{.client = {0, 0, 6630, 3810},
                             .back = kWhite,
                             .icon = Picture::PickerIcon,
                             .ownTaskbarButton = false};

// In the order of Id. Front to back: the top bar, the swatches from the last to the first, then
// the two outlines, which lie behind everything so a swatch covers the middle of the marker
// around it.
const std::array<Control, index(Id::Count)> kControls = {{
    {.name = "picTopbar",
     .kind = Kind::PictureBox,
     .rect = {0, 0, 6495, 975},
     .back = kTopBar,
     .stack = 0},
    {.name = "lbTitle",
     .kind = Kind::Label,
     .parent = index(Id::picTopbar),
     .rect = {360, 240, 3705, 420},
     .fore = kAccent,
     .caption = "选择颜色 [Picking Color]",
     .font = {k15_75pt, true},
     .stack = 3},
    {.name = "picCls",
     .kind = Kind::PictureBox,
     .parent = index(Id::picTopbar),
     .rect = {5760, 120, 480, 480},
     .back = kWhite,
     .picture = Picture::CloseNormal,
     .toolTip = "确定[Confirm]",
     .stack = 1},
    {.name = "picClsNormal",
     .kind = Kind::PictureBox,
     .parent = index(Id::picTopbar),
     .rect = {4440, 0, 480, 480},
     .back = kWhite,
     .picture = Picture::CloseNormal,
     .visible = false,
     .stack = 2},
    {.name = "picClsFocus",
     .kind = Kind::PictureBox,
     .parent = index(Id::picTopbar),
     .rect = {4920, 0, 480, 480},
     .back = kWhite,
     .picture = Picture::CloseFocus,
     .visible = false,
     .stack = 0},
    // The load places every swatch; only this laid-out size matters, as it sets the grid's pitch.
    {.name = "picPickColor",
     .kind = Kind::PictureBox,
     .parent = kForm,
     .rect = {0, 0, 375, 375},
     .back = kFace,
     .stack = 1,
     .sunken = true,
     .count = palette::kSwatchCount},
    {.name = "shpBack",
     .kind = Kind::Shape,
     .rect = {0, 0, 6495, 3735},
     .back = kBlack,
     .stack = 2,
     .lineWidthPx = 1},
    // Thick enough that the strip left around a swatch still shows on every side after rounding.
    {.name = "shpPick",
     .kind = Kind::Shape,
     .rect = {0, 3240, 450, 450},
     .back = kAccent,
     .visible = false,
     .stack = 3,
     .lineWidthPx = 2},
}};

Loaded loaded() {
    Loaded l;
    const layout::TwipsRect& back = control(Id::shpBack).rect;
    l.back = {0, 0, back.width, back.height};
    const layout::TwipsRect& bar = control(Id::picTopbar).rect;
    l.topBar = {15, 15, l.back.width - 30, bar.height};
    l.width = l.back.left + l.back.width;
    l.height = l.back.top + l.back.height;
    const layout::TwipsRect& s = control(Id::picPickColor).rect;
    palette::Grid asLaidOut;
    asLaidOut.fill({s.left, s.top, s.width, s.height});
    l.swatches = palette::placeSwatches(asLaidOut, l.topBar.height);
    return l;
}

layout::TwipsRect markerAround(const palette::Rect& swatch) {
    const layout::TwipsRect& marker = control(Id::shpPick).rect;
    return {swatch.left - kMarkerOffset, swatch.top - kMarkerOffset, marker.width, marker.height};
}

layout::TwipsRect inLoadedWindow(Id id, int item) {
    const Loaded l = loaded();
    const Control& c = control(id);
    switch (id) {
        case Id::picTopbar:
            return l.topBar;
        case Id::shpBack:
            return l.back;
        case Id::picPickColor: {
            const palette::Rect& r = l.swatches[static_cast<std::size_t>(item)];
            return {r.left, r.top, r.width, r.height};
        }
        default:
            break;
    }
    if (c.parent == index(Id::picTopbar)) {
        return {l.topBar.left + c.rect.left, l.topBar.top + c.rect.top, c.rect.width,
                c.rect.height};
    }
    return c.rect;
}

}  // namespace frmColorLayout
