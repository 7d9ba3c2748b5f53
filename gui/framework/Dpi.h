// Positions and sizes set in code, written for 96 DPI, at the screen's scale. The program is
// system-DPI aware (its manifest): dialogs from templates scale with their font by themselves,
// so what code places among their controls must scale alike.
#pragma once

#include <windows.h>

#include "win/GdiHandle.h"

// The system's DPI, the same for the whole process.
inline int SystemDpi() noexcept {
    static const int s_nDpi = [] {
        const CClientDC screen(nullptr);
        const int nDpi = screen.Get() != nullptr ? ::GetDeviceCaps(screen.Get(), LOGPIXELSY) : 0;
        return nDpi > 0 ? nDpi : USER_DEFAULT_SCREEN_DPI;
    }();
    return s_nDpi;
}

inline int ScaleForDpi(int n) noexcept {
    return ::MulDiv(n, SystemDpi(), USER_DEFAULT_SCREEN_DPI);
}

inline POINT ScaleForDpi(const POINT& point) noexcept {
    return {ScaleForDpi(point.x), ScaleForDpi(point.y)};
}

inline RECT ScaleForDpi(const RECT& rect) noexcept {
    return {ScaleForDpi(rect.left), ScaleForDpi(rect.top), ScaleForDpi(rect.right),
            ScaleForDpi(rect.bottom)};
}

// The place scaled, the width kept: for a control drawn with bitmaps of that width (a skinned
// scroll bar), which would otherwise show a bare strip beside them.
inline RECT ScaleForDpiKeepingWidth(const RECT& rect) noexcept {
    RECT scaled = ScaleForDpi(rect);
    scaled.right = scaled.left + (rect.right - rect.left);
    return scaled;
}
