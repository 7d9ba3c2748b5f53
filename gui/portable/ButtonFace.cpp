#include "gui/portable/ButtonFace.h"

ButtonFace SelectButtonFace(bool bHover, bool bPressed, bool bTabMode, bool bSelectedTab) {
    if (bHover && bPressed) {
        return ButtonFace::kHoverPressed;
    }
    if (bHover) {
        return ButtonFace::kHover;
    }
    if (bPressed) {
        return ButtonFace::kPressed;
    }
    if (bTabMode && !bSelectedTab) {
        return ButtonFace::kUnselectedTab;
    }
    return ButtonFace::kNormal;
}

CRgbColor ButtonBandColor(ButtonFace face, int iBand) {
    const int i = iBand < 0 ? 0 : (iBand >= kButtonBands ? kButtonBands - 1 : iBand);
    switch (face) {
        case ButtonFace::kHoverPressed:
            return {255, 255, 255 - i / 3};
        case ButtonFace::kHover:
            return {255 - i / 4, 255 - i / 4, 255 - i / 5};
        case ButtonFace::kPressed:
            return {255 - i / 3, 255 - i / 3, 255 - i / 4};
        case ButtonFace::kUnselectedTab:
            return {240 - i / 3, 242 - i / 3, 243 - i / 5};
        case ButtonFace::kNormal:
            break;
    }
    return {255 - i / 3, 255 - i / 3, 255 - i / 5};
}

int ButtonBandOfRow(int iRow, int iHeight) {
    return iHeight > 0 ? iRow * (kButtonBands - 1) / iHeight : 0;
}
