// The check box of a category item: a 16 x 16 cell of the glyph bitmap, whose magenta
// pixels let the item show through.
#pragma once

#include <windows.h>

class CCheckGlyph {
public:
    static constexpr int kSize = 16;
    // The cells' x offsets in the bitmap.
    static constexpr int kUnchecked = 0;
    static constexpr int kChecked = 16;

    void SetChecked(bool bChecked) noexcept { m_iCell = bChecked ? kChecked : kUnchecked; }
    int Cell() const noexcept { return m_iCell; }

    // Draws the cell centred in `area`.
    void Draw(HDC hdc, const RECT& area) const;

private:
    int m_iCell = kUnchecked;
};
