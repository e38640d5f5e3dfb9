#pragma once

#include <span>
#include <string>
#include <vector>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include "forms/Layout.h"

// One window's controls drawn from its layout table onto the window itself: picture boxes,
// frames, labels and shapes are painted in the table's stacking order (scroll bars are real
// child controls the view makes). Each control keeps what the view was last told to show.
class TableCanvas {
  public:
    struct Look {
        layout::TwipsRect rect;
        BgrColor back;
        BgrColor fore;
        std::string caption;
        layout::Picture picture = layout::Picture::None;
        bool visible = true;
    };
    struct Hit {
        int index = -1;  // -1: the window's own background
        int item = 0;
    };

    explicit TableCanvas(std::span<const layout::Control> table);

    Look& look(int index, int item = 0) { return looks_[index][static_cast<std::size_t>(item)]; }
    // The density the window is laid out at, that of its monitor.
    int dpi() const { return dpi_; }
    void setDpi(int dpi) { dpi_ = dpi; }
    // Where a control is in the window's client area, in pixels at the window's density.
    RECT pixelRect(int index, int item = 0) const;

    void paint(HDC dc, BgrColor windowBack, int width, int height) const;
    // The front-most shown control at a client pixel.
    Hit hitTest(int x, int y) const;

  private:
    void paintChildren(HDC dc, int parent) const;
    void paintOne(HDC dc, int index, int item) const;
    std::vector<int> childrenBackToFront(int parent) const;

    std::span<const layout::Control> table_;
    std::vector<std::vector<Look>> looks_;
    int dpi_ = layout::kDesignDpi;
};

// The design's fonts: "微软雅黑" first, then "宋体", then CJK faces the system has, at the
// design's pixel height scaled to `dpi`. Kept for the process.
HFONT designFont(const layout::Font& font, int dpi);
// A picture decoded from the program's resources and scaled smoothly to its size at `dpi`, kept
// for the process; null for None.
HBITMAP designPicture(layout::Picture picture, int dpi);
// The program's own icon (16 or 32 pixels).
HICON programIcon(int size);
inline COLORREF toColorRef(BgrColor c) {
    return static_cast<COLORREF>(c.value());
}
