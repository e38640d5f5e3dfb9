#pragma once

#include <cstdint>
#include <optional>

#include "color_picker/frmColorLayout.h"
#include "gamma/BgrColor.h"

class ColorView;
class WindowDrag;

// The window that opens the picker and takes what the user picks.
class PickerOwner {
  public:
    // A swatch was clicked: its colour is the owner's new colour and tints the screen at once.
    virtual void picker_SwatchPicked(BgrColor color) = 0;
    // The confirm picture was clicked: the owner turns night mode on; the picker then closes.
    virtual void picker_Confirmed() = 0;

  protected:
    ~PickerOwner() = default;
};

// The modal colour picker. It keeps nothing beyond one opening: the owner builds it afresh for
// every opening, and what the user picks is reported to the owner at once.
class frmColor {
  public:
    frmColor(PickerOwner& owner, WindowDrag& drag);
    frmColor(const frmColor&) = delete;
    frmColor& operator=(const frmColor&) = delete;

    // The view that shows this form, until detached.
    void attach(ColorView& view);
    void detach();

    // Loads the picker, shows it modally and returns once it has been unloaded (by its confirm
    // picture) or closed by the window manager. Needs a view attached.
    void Show();

    // What the form holds, for views and tests.
    const palette::Rect& swatch(int index) const { return swatches_[index]; }
    BgrColor swatchColor(int index) const { return colors_[index]; }
    // The marker's rectangle once a swatch was picked.
    std::optional<layout::TwipsRect> marker() const { return marker_; }
    bool confirmLit() const { return confirmLit_; }
    bool loaded() const { return loaded_; }

    // Handlers, by their design names.
    void Form_Load();
    void picPickColor_Click(std::int16_t Index);
    void picCls_Click();
    void picCls_MouseMove();
    void picTopbar_MouseMove();
    void picTopbar_MouseDown(int Button);
    void lbTitle_MouseDown(int Button);

  private:
    void dragRule(int Button);

    PickerOwner& owner_;
    WindowDrag& drag_;
    ColorView* view_ = nullptr;
    palette::Grid swatches_{};
    std::array<BgrColor, palette::kSwatchCount> colors_{};
    std::optional<layout::TwipsRect> marker_;
    bool confirmLit_ = false;
    bool loaded_ = false;
};
