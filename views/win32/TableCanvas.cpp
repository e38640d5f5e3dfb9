#include "views/win32/TableCanvas.h"

#include <algorithm>
#include <map>
#include <utility>

#include "forms/Design.h"
#include "views/win32/WicPicture.h"
#include "platform/win32/common/WinText.h"
#include "resources/WindowsResources.h"
#include "views/win32/ScaledPicture.h"

namespace {

int CALLBACK noteFace(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    return 0;
}

bool faceInstalled(const wchar_t* face) {
    LOGFONTW query = {};
    query.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(query.lfFaceName, face, LF_FACESIZE);
    HDC dc = GetDC(nullptr);
    bool found = false;
    EnumFontFamiliesExW(dc, &query, noteFace, reinterpret_cast<LPARAM>(&found), 0);
    ReleaseDC(nullptr, dc);
    return found;
}

const wchar_t* chosenFace() {
    static const wchar_t* face = [] {
        // The design's faces under their Chinese and English names, then CJK faces of other
        // systems (Wine takes the host's fonts).
        for (const wchar_t* candidate :
             {L"微软雅黑", L"Microsoft YaHei", L"宋体", L"SimSun", L"WenQuanYi Micro Hei",
              L"Noto Sans CJK SC", L"Droid Sans Fallback"}) {
            if (faceInstalled(candidate)) {
                return candidate;
            }
        }
        return L"MS Shell Dlg 2";
    }();
    return face;
}

int resourceOf(layout::Picture p) {
    switch (p) {
        case layout::Picture::MiniNormal:
            return DIMWARDEN_PNG_MINI_NORMAL;
        case layout::Picture::MiniFocus:
            return DIMWARDEN_PNG_MINI_FOCUS;
        case layout::Picture::CloseNormal:
            return DIMWARDEN_PNG_CLOSE_NORMAL;
        case layout::Picture::CloseFocus:
            return DIMWARDEN_PNG_CLOSE_FOCUS;
        case layout::Picture::SettingBadge:
            return DIMWARDEN_PNG_SETTING_BADGE;
        case layout::Picture::AdvancedBadge:
            return DIMWARDEN_PNG_ADVANCED_BADGE;
        case layout::Picture::LampNight:
            return DIMWARDEN_PNG_LAMP_NIGHT;
        case layout::Picture::LampNormal:
            return DIMWARDEN_PNG_LAMP_NORMAL;
        default:
            return 0;
    }
}

void fill(HDC dc, const RECT& r, BgrColor color) {
    SetDCBrushColor(dc, toColorRef(color));
    FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

// The classic sunken edge inside `r`: an outer line `p` pixels wide and an inner one `q` wide.
void sunkenEdge(HDC dc, const RECT& r, int p, int q) {
    const auto line = [dc](int x0, int y0, int x1, int y1, BgrColor c) {
        fill(dc, RECT{x0, y0, x1, y1}, c);
    };
    const int pq = p + q;
    line(r.left, r.top, r.right, r.top + p, design::kEdgeShadow);
    line(r.left, r.top, r.left + p, r.bottom, design::kEdgeShadow);
    line(r.left + p, r.top + p, r.right - p, r.top + pq, design::kEdgeDarkShadow);
    line(r.left + p, r.top + p, r.left + pq, r.bottom - p, design::kEdgeDarkShadow);
    line(r.left, r.bottom - p, r.right, r.bottom, design::kEdgeLight);
    line(r.right - p, r.top, r.right, r.bottom, design::kEdgeLight);
    line(r.left + p, r.bottom - pq, r.right - p, r.bottom - p, design::kEdgeHighlight);
    line(r.right - pq, r.top + p, r.right - p, r.bottom - p, design::kEdgeHighlight);
}

}  // namespace

HFONT designFont(const layout::Font& font, int dpi) {
    static std::map<std::pair<int, bool>, HFONT> fonts;
    const int height = layout::scalePixels(font.pixelHeight, dpi);
    HFONT& f = fonts[{height, font.bold}];
    if (f == nullptr) {
        f = CreateFontW(-height, 0, 0, 0, font.bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                        DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                        DEFAULT_PITCH, chosenFace());
    }
    return f;
}

HBITMAP designPicture(layout::Picture picture, int dpi) {
    static std::map<std::pair<layout::Picture, int>, HBITMAP> bitmaps;
    const auto it = bitmaps.find({picture, dpi});
    if (it != bitmaps.end()) {
        return it->second;
    }
    const int id = resourceOf(picture);
    HBITMAP bitmap = nullptr;
    if (id != 0) {
        const win::Picture design = win::decodePngResource(id);
        bitmap = win::createBitmap(scaledPicture(design, layout::scalePixels(design.width, dpi),
                                                 layout::scalePixels(design.height, dpi)));
    }
    bitmaps[{picture, dpi}] = bitmap;
    return bitmap;
}

HICON programIcon(int size) {
    return static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr),
                                         MAKEINTRESOURCEW(DIMWARDEN_ICON), IMAGE_ICON, size, size,
                                         LR_DEFAULTCOLOR | LR_SHARED));
}

TableCanvas::TableCanvas(std::span<const layout::Control> table) : table_(table) {
    for (const layout::Control& c : table_) {
        Look look{c.rect,    c.back,   c.fore, c.caption != nullptr ? c.caption : "",
                  c.picture, c.visible};
        looks_.emplace_back(static_cast<std::size_t>(c.count), look);
    }
}

RECT TableCanvas::pixelRect(int index, int item) const {
    // Twips summed through the parents, then turned into pixels once, as the design does.
    layout::TwipsRect r =
        looks_[static_cast<std::size_t>(index)][static_cast<std::size_t>(item)].rect;
    for (int p = table_[static_cast<std::size_t>(index)].parent; p != layout::kWindow;
         p = table_[static_cast<std::size_t>(p)].parent) {
        const layout::TwipsRect& pr = looks_[static_cast<std::size_t>(p)].front().rect;
        const float edge = table_[static_cast<std::size_t>(p)].sunken
                               ? layout::kSunkenEdgePixels * layout::kTwipsPerPixel
                               : 0;
        r.left += pr.left + edge;
        r.top += pr.top + edge;
    }
    const layout::PixelRect px = layout::toPixels(r, dpi_);
    return RECT{px.left, px.top, px.left + px.width, px.top + px.height};
}

std::vector<int> TableCanvas::childrenBackToFront(int parent) const {
    std::vector<int> children;
    for (std::size_t i = 0; i < table_.size(); ++i) {
        if (table_[i].parent == parent) {
            children.push_back(static_cast<int>(i));
        }
    }
    std::sort(children.begin(), children.end(), [this](int a, int b) {
        return table_[static_cast<std::size_t>(a)].stack >
               table_[static_cast<std::size_t>(b)].stack;
    });
    return children;
}

void TableCanvas::paint(HDC dc, BgrColor windowBack, int width, int height) const {
    fill(dc, RECT{0, 0, width, height}, windowBack);
    paintChildren(dc, layout::kWindow);
}

void TableCanvas::paintChildren(HDC dc, int parent) const {
    for (int index : childrenBackToFront(parent)) {
        const layout::Control& c = table_[static_cast<std::size_t>(index)];
        if (c.kind == layout::Kind::Menu || c.kind == layout::Kind::MenuItem ||
            c.kind == layout::Kind::ScrollBar) {
            continue;
        }
        // A control array: the last item is the front-most, so draw from the first.
        for (int item = 0; item < c.count; ++item) {
            if (!looks_[static_cast<std::size_t>(index)][static_cast<std::size_t>(item)].visible) {
                continue;
            }
            const int saved = SaveDC(dc);
            if (parent != layout::kWindow) {
                const RECT pr = pixelRect(parent);
                IntersectClipRect(dc, pr.left, pr.top, pr.right, pr.bottom);
            }
            paintOne(dc, index, item);
            if (c.kind == layout::Kind::PictureBox || c.kind == layout::Kind::Frame) {
                const RECT r = pixelRect(index, item);
                IntersectClipRect(dc, r.left, r.top, r.right, r.bottom);
                paintChildren(dc, index);
            }
            RestoreDC(dc, saved);
        }
    }
}

void TableCanvas::paintOne(HDC dc, int index, int item) const {
    const layout::Control& c = table_[static_cast<std::size_t>(index)];
    const Look& look = looks_[static_cast<std::size_t>(index)][static_cast<std::size_t>(item)];
    const RECT r = pixelRect(index, item);
    switch (c.kind) {
        case layout::Kind::PictureBox:
        case layout::Kind::Frame: {
            fill(dc, r, look.back);
            if (HBITMAP bitmap = designPicture(look.picture, dpi_)) {
                HDC memory = CreateCompatibleDC(dc);
                HGDIOBJ old = SelectObject(memory, bitmap);
                BITMAP info = {};
                GetObjectW(bitmap, sizeof info, &info);
                BitBlt(dc, r.left, r.top, info.bmWidth, info.bmHeight, memory, 0, 0, SRCCOPY);
                SelectObject(memory, old);
                DeleteDC(memory);
            }
            if (c.sunken) {
                const int outer = layout::scalePixels(1, dpi_);
                sunkenEdge(dc, r, outer,
                           layout::scalePixels(layout::kSunkenEdgePixels, dpi_) - outer);
            }
            break;
        }
        case layout::Kind::Label: {
            const std::wstring text = win::toWide(look.caption);
            HGDIOBJ old = SelectObject(dc, designFont(c.font, dpi_));
            SetBkMode(dc, TRANSPARENT);
            SetTextColor(dc, toColorRef(look.fore));
            RECT box = r;
            // Sized to its text: nothing is cut at the design width.
            DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &box,
                      DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOCLIP | DT_NOPREFIX);
            SelectObject(dc, old);
            break;
        }
        case layout::Kind::Shape: {
            const int w = layout::scalePixels(c.lineWidthPx, dpi_);
            fill(dc, RECT{r.left, r.top, r.right, r.top + w}, look.back);
            fill(dc, RECT{r.left, r.bottom - w, r.right, r.bottom}, look.back);
            fill(dc, RECT{r.left, r.top, r.left + w, r.bottom}, look.back);
            fill(dc, RECT{r.right - w, r.top, r.right, r.bottom}, look.back);
            break;
        }
        default:
            break;
    }
}

TableCanvas::Hit TableCanvas::hitTest(int x, int y) const {
    // Front to back: the first shown control under the point, then the deepest child in it.
    Hit hit;
    int parent = layout::kWindow;
    for (bool deeper = true; deeper;) {
        deeper = false;
        std::vector<int> children = childrenBackToFront(parent);
        for (auto it = children.rbegin(); it != children.rend() && !deeper; ++it) {
            const layout::Control& c = table_[static_cast<std::size_t>(*it)];
            if (c.kind == layout::Kind::Menu || c.kind == layout::Kind::MenuItem) {
                continue;
            }
            for (int item = c.count - 1; item >= 0; --item) {
                const RECT r = pixelRect(*it, item);
                const POINT p{x, y};
                if (looks_[static_cast<std::size_t>(*it)][static_cast<std::size_t>(item)].visible &&
                    PtInRect(&r, p)) {
                    hit = {*it, item};
                    parent = *it;
                    deeper = true;
                    break;
                }
            }
        }
    }
    return hit;
}
