// The faces of the program's push buttons: a vertical gradient of 64 bands whose colours
// depend on the button's state.
#pragma once

enum class ButtonFace { kHoverPressed, kHover, kPressed, kUnselectedTab, kNormal };

struct CRgbColor {
    int r;
    int g;
    int b;
    bool operator==(const CRgbColor&) const = default;
};

inline constexpr int kButtonBands = 64;

// The first state that applies, in this order: hover and pressed, hover, pressed, a tab
// that is not the selected one, anything else.
ButtonFace SelectButtonFace(bool bHover, bool bPressed, bool bTabMode, bool bSelectedTab);

// Colour of band iBand (0 to 63) of a face.
CRgbColor ButtonBandColor(ButtonFace face, int iBand);

// The band that pixel row iRow of a button iHeight pixels high shows.
int ButtonBandOfRow(int iRow, int iHeight);
