#include "gui/controls/XPButton.h"

#include <cstring>

#include "gui/portable/ButtonFace.h"

namespace {

COLORREF ToColorRef(const CRgbColor& colour) {
    return RGB(colour.r, colour.g, colour.b);
}

HPEN InsideFramePen(int nWidth, COLORREF colour) {
    return ::CreatePen(PS_INSIDEFRAME, nWidth, colour);
}

// A hollow rectangle drawn with an inside-frame pen, inset from the button's edge.
void FrameRect(HDC hdc, const RECT& rect, int nInset, HPEN hPen) {
    const CSelectObject pen(hdc, hPen);
    const CSelectObject brush(hdc, ::GetStockObject(NULL_BRUSH));
    ::Rectangle(hdc, rect.left + nInset, rect.top + nInset, rect.right - nInset,
                rect.bottom - nInset);
}

void Line(HDC hdc, HPEN hPen, int x1, int y1, int x2, int y2) {
    const CSelectObject pen(hdc, hPen);
    ::MoveToEx(hdc, x1, y1, nullptr);
    ::LineTo(hdc, x2, y2);
}

}  // namespace

CXPButton::CXPButton()
    : m_blackPen(InsideFramePen(1, RGB(0, 0, 0))),
      m_orangePens{CPenHandle(InsideFramePen(3, RGB(250, 196, 88))),
                   CPenHandle(InsideFramePen(3, RGB(251, 202, 106))),
                   CPenHandle(InsideFramePen(2, RGB(252, 210, 121))),
                   CPenHandle(InsideFramePen(2, RGB(229, 151, 0)))},
      m_bluePens{CPenHandle(InsideFramePen(3, RGB(153, 198, 252))),
                 CPenHandle(InsideFramePen(2, RGB(162, 201, 255))),
                 CPenHandle(InsideFramePen(3, RGB(162, 189, 252)))},
      m_outlinePens{CPenHandle(InsideFramePen(1, RGB(213, 234, 255))),
                    CPenHandle(InsideFramePen(1, RGB(183, 190, 218))),
                    CPenHandle(InsideFramePen(1, RGB(232, 236, 245))),
                    CPenHandle(InsideFramePen(1, RGB(192, 192, 192)))},
      m_disabledBrush(::CreateSolidBrush(RGB(222, 223, 236))) {}

bool CXPButton::Create(const char* szCaption, const RECT& rect, HWND hParent, int nId) {
    const HWND hWnd = ::CreateWindowExA(
        0, "Button", szCaption, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW, rect.left,
        rect.top, rect.right - rect.left, rect.bottom - rect.top, hParent,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(nId)), ::GetModuleHandleA(nullptr), nullptr);
    if (hWnd == nullptr) {
        return false;
    }
    ::SendMessageA(hWnd, WM_SETFONT, static_cast<WPARAM>(::SendMessageA(hParent, WM_GETFONT, 0, 0)),
                   FALSE);
    return SubclassWindow(hWnd);
}

void CXPButton::SetSelectedTab(bool bSelected) noexcept {
    m_bSelectedTab = bSelected;
    if (m_hWnd != nullptr) {
        Invalidate(false);
    }
}

bool CXPButton::OnChildNotify(UINT uMsg, WPARAM, LPARAM lParam, LRESULT& lResult) {
    if (uMsg != WM_DRAWITEM) {
        return false;
    }
    const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
    const RECT& rect = item.rcItem;
    const int cx = rect.right - rect.left;
    const int cy = rect.bottom - rect.top;
    // Off screen first, then one transfer: no flicker while hovering.
    const CMemoryDC memory(::CreateCompatibleDC(item.hDC));
    const CBitmapHandle bitmap(::CreateCompatibleBitmap(item.hDC, cx, cy));
    {
        const CSelectObject selected(memory.Get(), bitmap.Get());
        Paint(memory.Get(), RECT{0, 0, cx, cy}, item.itemState);
        ::BitBlt(item.hDC, rect.left, rect.top, cx, cy, memory.Get(), 0, 0, SRCCOPY);
    }
    lResult = TRUE;
    return true;
}

void CXPButton::Paint(HDC hdc, const RECT& rect, UINT uItemState) const {
    const bool bPressed = (uItemState & ODS_SELECTED) != 0;
    if ((uItemState & ODS_DISABLED) != 0) {
        ::FillRect(hdc, &rect, m_disabledBrush.Get());
    } else {
        PaintFace(hdc, rect, bPressed);
    }
    PaintFrame(hdc, rect, uItemState);
    PaintCaption(hdc, rect, uItemState);
}

void CXPButton::PaintFace(HDC hdc, const RECT& rect, bool bPressed) const {
    const ButtonFace face = SelectButtonFace(m_bHover, bPressed, m_bTabMode, m_bSelectedTab);
    const int nHeight = rect.bottom - rect.top;
    for (int iRow = 0; iRow < nHeight; ++iRow) {
        const COLORREF colour = ToColorRef(ButtonBandColor(face, ButtonBandOfRow(iRow, nHeight)));
        const RECT row = {rect.left, rect.top + iRow, rect.right, rect.top + iRow + 1};
        ::SetBkColor(hdc, colour);
        ::ExtTextOutA(hdc, 0, 0, ETO_OPAQUE, &row, nullptr, 0, nullptr);
    }
}

void CXPButton::PaintFrame(HDC hdc, const RECT& rect, UINT uItemState) const {
    const bool bEnabled = (uItemState & ODS_DISABLED) == 0;
    const bool bFocused = (uItemState & ODS_FOCUS) != 0;
    const int r = rect.right - 1;
    const int b = rect.bottom - 1;
    if (m_bHover && bEnabled) {
        // A warm ring: lighter along the top, darker along the bottom.
        FrameRect(hdc, rect, 1, m_orangePens[0].Get());
        Line(hdc, m_orangePens[1].Get(), rect.left + 1, rect.top + 2, rect.left + 1, b - 1);
        Line(hdc, m_orangePens[1].Get(), r - 2, rect.top + 2, r - 2, b - 1);
        Line(hdc, m_orangePens[2].Get(), rect.left + 1, rect.top + 1, r, rect.top + 1);
        Line(hdc, m_orangePens[3].Get(), rect.left + 1, b - 2, r, b - 2);
    } else if (bEnabled && (bFocused || (m_bTabMode && m_bSelectedTab))) {
        // A cool ring for the focused button and the selected tab.
        FrameRect(hdc, rect, 1, m_bluePens[0].Get());
        Line(hdc, m_bluePens[1].Get(), rect.left + 1, rect.top + 1, r, rect.top + 1);
        Line(hdc, m_bluePens[2].Get(), rect.left + 1, b - 3, r, b - 3);
    } else if (bEnabled) {
        Line(hdc, m_outlinePens[0].Get(), rect.left + 1, rect.top + 1, r, rect.top + 1);
        Line(hdc, m_outlinePens[1].Get(), rect.left + 1, b - 1, r, b - 1);
    }
    FrameRect(hdc, rect, 0, m_blackPen.Get());
    if (m_bTabMode && m_bSelectedTab) {
        // The selected tab opens into its page.
        Line(hdc, m_outlinePens[2].Get(), rect.left + 1, b, r, b);
    }
    // Rounded corners: the four corner pixels take the colour between frame and background.
    const COLORREF corner = RGB(192, 192, 192);
    ::SetPixel(hdc, rect.left, rect.top, corner);
    ::SetPixel(hdc, r, rect.top, corner);
    ::SetPixel(hdc, rect.left, b, corner);
    ::SetPixel(hdc, r, b, corner);
}

void CXPButton::PaintCaption(HDC hdc, const RECT& rect, UINT uItemState) const {
    char szCaption[128] = {};
    ::GetWindowTextA(m_hWnd, szCaption, sizeof szCaption);
    const auto hFont = reinterpret_cast<HFONT>(::SendMessageA(m_hWnd, WM_GETFONT, 0, 0));
    const CSelectObject font(hdc, hFont != nullptr ? hFont : ::GetStockObject(DEFAULT_GUI_FONT));
    RECT text = rect;
    if ((uItemState & ODS_SELECTED) != 0) {
        ::OffsetRect(&text, 1, 1);
    }
    ::SetBkMode(hdc, TRANSPARENT);
    if ((uItemState & ODS_DISABLED) != 0) {
        SIZE extent = {};
        ::GetTextExtentPoint32A(hdc, szCaption, static_cast<int>(std::strlen(szCaption)), &extent);
        const int x = text.left + (text.right - text.left - extent.cx) / 2;
        const int y = text.top + (text.bottom - text.top - extent.cy) / 2;
        ::DrawStateA(hdc, nullptr, nullptr, reinterpret_cast<LPARAM>(szCaption), 0, x, y, extent.cx,
                     extent.cy, DST_TEXT | DSS_DISABLED);
    } else {
        ::SetTextColor(hdc, RGB(0, 0, 0));
        ::DrawTextA(hdc, szCaption, -1, &text, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
    if ((uItemState & ODS_FOCUS) != 0 && (uItemState & ODS_NOFOCUSRECT) == 0 && !m_bTabMode) {
        RECT focus = rect;
        ::InflateRect(&focus, -4, -4);
        ::DrawFocusRect(hdc, &focus);
    }
}

void CXPButton::TrackMouse() {
    if (m_bTracking) {
        return;
    }
    TRACKMOUSEEVENT track = {sizeof track, TME_HOVER | TME_LEAVE, m_hWnd, 1};
    m_bTracking = ::TrackMouseEvent(&track) != FALSE;
}

LRESULT CXPButton::WindowProc(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    switch (uMsg) {
        case WM_MOUSEMOVE:
            TrackMouse();
            break;
        case WM_MOUSEHOVER:
            m_bHover = true;
            Invalidate(false);
            return 0;
        case WM_MOUSELEAVE:
            m_bHover = false;
            m_bTracking = false;
            Invalidate(false);
            return 0;
        case WM_LBUTTONDBLCLK:
            // Two quick clicks are two clicks, not a click and a double-click notification.
            return Default(WM_LBUTTONDOWN, wParam, lParam);
        default:
            break;
    }
    return Default(uMsg, wParam, lParam);
}
