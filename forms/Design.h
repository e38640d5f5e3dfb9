#pragma once

#include "gamma/BgrColor.h"

// Colours and type sizes that both windows share.
namespace design {

constexpr BgrColor kTopBar{0x00F2F2F2};
constexpr BgrColor kAccent{0x00D1A700};  // title text, the setting panel, the picker's marker
constexpr BgrColor kAdvanced{0x00B89300};
constexpr BgrColor kSwitchBlue{0x00F38D38};
constexpr BgrColor kGrey{0x00808080};
constexpr BgrColor kMainBackground{0x00FCF9F3};
constexpr BgrColor kWhite{0x00FFFFFF};
constexpr BgrColor kBlack{0x00000000};
constexpr BgrColor kSwatchInitial{0x00FF0000};  // the main window's swatch as created
// The system's face colour, which the picker's swatches show until the palette colours them.
constexpr BgrColor kFace{0x00F0F0F0};

// The link label: grey at rest, the switch's blue under the pointer.
constexpr BgrColor kLinkGrey = kGrey;
constexpr BgrColor kLinkHover = kSwitchBlue;

// The classic two-pixel sunken edge, outer and inner line of each side.
constexpr BgrColor kEdgeShadow{0x00A0A0A0};
constexpr BgrColor kEdgeDarkShadow{0x00696969};
constexpr BgrColor kEdgeLight{0x00FFFFFF};
constexpr BgrColor kEdgeHighlight{0x00E3E3E3};

// Pixel heights of the design's point sizes at 96 dots per inch.
constexpr int k9pt = 12;
constexpr int k9_75pt = 13;
constexpr int k11_25pt = 15;
constexpr int k12pt = 16;
constexpr int k14_25pt = 19;
constexpr int k15_75pt = 21;
constexpr int k20_25pt = 27;

}  // namespace design
