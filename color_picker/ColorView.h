#pragma once

#include "forms/Layout.h"
#include "forms/WindowDrag.h"
#include "gamma/BgrColor.h"

// What the colour picker shows, in the form's words. A view draws the controls of the layout table
// as created and afterwards changes only what it is told here; it forwards every event to the
// form's handler of the design's name. No key closes the picker: a view swallows them all.
class ColorView {
  public:
    virtual ~ColorView() = default;

    // The window as the system knows it, for the window manager's move.
    virtual NativeWindow nativeWindow() const = 0;

    // The loaded window: client size, the outline `shpBack` and the top bar.
    virtual void showLoaded(float width, float height, const layout::TwipsRect& back,
                            const layout::TwipsRect& topBar) = 0;
    // Swatch `index` of `picPickColor` at `rect`, filled with `color`.
    virtual void showSwatch(int index, const layout::TwipsRect& rect, BgrColor color) = 0;
    // The marker `shpPick` shown at `rect`.
    virtual void showMarker(const layout::TwipsRect& rect) = 0;
    // The confirm button's focus picture.
    virtual void showConfirmLit(bool lit) = 0;

    // Shows the window modally, centred on its owner, and returns once it has closed: by
    // closeWindow() or by the window manager.
    virtual void showModal() = 0;
    virtual void closeWindow() = 0;
    // No window manager moved the window: it follows the pointer until the button is released.
    virtual void followPointer() = 0;
};
