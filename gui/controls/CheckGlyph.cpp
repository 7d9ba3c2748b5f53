#include "gui/controls/CheckGlyph.h"

#include "gui/res/resource.h"
#include "win/GdiHandle.h"

namespace {

// Loaded once and kept for the program's run: every item of every list draws from it.
HBITMAP GlyphBitmap() {
    static const CBitmapHandle s_bitmap(static_cast<HBITMAP>(::LoadImageA(
        ::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_CHECK_GLYPHS), IMAGE_BITMAP, 0, 0, 0)));
    return s_bitmap.Get();
}

}  // namespace

void CCheckGlyph::Draw(HDC hdc, const RECT& area) const {
    const HBITMAP hBitmap = GlyphBitmap();
    if (hBitmap == nullptr) {
        return;
    }
    const CMemoryDC memory(::CreateCompatibleDC(hdc));
    const CSelectObject selected(memory.Get(), hBitmap);
    const int x = area.left + (area.right - area.left - kSize) / 2;
    const int y = area.top + (area.bottom - area.top - kSize) / 2;
    ::TransparentBlt(hdc, x, y, kSize, kSize, memory.Get(), m_iCell, 0, kSize, kSize,
                     RGB(255, 0, 255));
}
