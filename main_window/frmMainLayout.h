#pragma once

#include <array>

#include "forms/Layout.h"

// The main window's design: its controls by their design names, as the window is created.
namespace frmMainLayout {

enum class Id {
    picTopbar,
    lbTitle,
    picMini,
    picCls,
    picMiniNormal,
    picMiniFocus,
    picClsNormal,
    picClsFocus,
    Picture1,
    fraNormal,
    picSetting,
    lbNormal,
    Label1,
    HScroll1,
    lbHval,
    Label2,
    picColor,
    lbSetting,
    Picture2,
    fraAdvanced,
    picAdvanced,
    Label7,
    Label4,
    HScrollRed,
    lbRed,
    Label6,
    HScrollGreen,
    lbGreen,
    Label8,
    HScrollBlue,
    lbBlue,
    lbMode,
    shpSwitch,
    picSwitch,
    lbSwitch,
    picLightNight,
    picLightNormal,
    lbWeibo,
    Label5,
    Label3,
    mnuFile,
    mnuNight,
    mnuNormal,
    mnuAuto,
    mnuAutostart,
    mnuExit,
    Count,
};

constexpr int index(Id id) {
    return static_cast<int>(id);
}

extern const layout::Window kWindow;
// Indexed by Id.
extern const std::array<layout::Control, index(Id::Count)> kControls;

// The four sliders: brightness, then red, green and blue.
enum class Slider { HScroll1, HScrollRed, HScrollGreen, HScrollBlue };
inline constexpr std::array<Slider, 4> kSliders = {Slider::HScroll1, Slider::HScrollRed,
                                                   Slider::HScrollGreen, Slider::HScrollBlue};
Id scrollBarOf(Slider slider);
// The number label beside the slider.
Id valueLabelOf(Slider slider);

// The knob's left edge: at the track's left end when the switch is on, at its right end when off.
float knobLeft(bool on);

// The link label's text colour: grey at rest, blue under the pointer.
BgrColor linkColor(bool lit);

// Where a control is in the window's client area.
layout::TwipsRect inWindow(Id id);

}  // namespace frmMainLayout
