#include "gui/controls/TimeGridCtrl.h"

#include <windowsx.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>

namespace {

// Green and red that differ in lightness too, so that they also read apart without colour.
constexpr COLORREF kAllowedColour = RGB(46, 139, 60);
constexpr COLORREF kForbiddenColour = RGB(244, 170, 170);
constexpr COLORREF kBackColour = RGB(250, 251, 255);
constexpr COLORREF kHourColour = RGB(110, 110, 120);
constexpr const char* kDayNames[CTimeGrid::kDays] = {"Mon", "Tue", "Wed", "Thu",
                                                     "Fri", "Sat", "Sun"};

void Text(HDC hdc, const std::string& strText, RECT rect, UINT uFormat) {
    ::DrawTextA(hdc, strText.c_str(), static_cast<int>(strText.size()), &rect,
                uFormat | DT_SINGLELINE | DT_NOPREFIX);
}

}  // namespace

CTimeGridCtrl::CTimeGridCtrl()
    : m_allowedBrush(::CreateSolidBrush(kAllowedColour)),
      m_forbiddenBrush(::CreateSolidBrush(kForbiddenColour)),
      m_backBrush(::CreateSolidBrush(kBackColour)),
      m_hourPen(::CreatePen(PS_SOLID, 1, kHourColour)) {}

void CTimeGridCtrl::SetGrid(const CTimeGrid& grid) {
    m_grid = grid;
    if (m_hWnd != nullptr) {
        Invalidate(false);
    }
}

void CTimeGridCtrl::SetLimit(int iDay, int iMinutes) {
    m_grid.SetLimit(iDay, iMinutes);
    m_beforeDrag.SetLimit(iDay, iMinutes);
}

CTimeGridLayout CTimeGridCtrl::Layout() const noexcept {
    const RECT client = GetClientRect();
    return CTimeGridLayout::ForClient(client.right, client.bottom);
}

CTimeGridCtrl::CCellPos CTimeGridCtrl::NearestCell(int x, int y) const noexcept {
    const CTimeGridLayout layout = Layout();
    const int iSlot = (x - CTimeGridLayout::kLabelWidth) / layout.iCellWidth;
    const int iDay = (y - CTimeGridLayout::kHeaderHeight) / layout.iRowHeight;
    return {std::clamp(iDay, 0, CTimeGrid::kDays - 1), std::clamp(iSlot, 0, CTimeGrid::kSlots - 1)};
}

void CTimeGridCtrl::OnButtonDown(int x, int y) {
    SetFocus();
    int iDay = 0;
    int iSlot = 0;
    if (!Layout().CellAt(x, y, iDay, iSlot)) {
        return;
    }
    m_beforeDrag = m_grid;
    m_anchor = m_cursor = {iDay, iSlot};
    m_bDragValue = m_grid.At(iDay, iSlot) != CTimeGrid::Cell::kAllowed;
    m_bDragging = true;
    ::SetCapture(m_hWnd);
    m_grid.Set(iDay, iSlot, m_bDragValue);
    Changed();
}

void CTimeGridCtrl::OnMouseMove(int x, int y) {
    const CCellPos cell = NearestCell(x, y);
    if (!m_bDragging || (cell.iDay == m_cursor.iDay && cell.iSlot == m_cursor.iSlot)) {
        return;
    }
    // The rectangle from the first cell, as if the drag had come straight here.
    m_cursor = cell;
    m_grid = m_beforeDrag;
    m_grid.Set(m_anchor.iDay, m_anchor.iSlot, cell.iDay, cell.iSlot, m_bDragValue);
    Changed();
}

bool CTimeGridCtrl::OnKey(WPARAM vk) {
    CCellPos cursor = m_cursor;
    switch (vk) {
        case VK_LEFT:
            --cursor.iSlot;
            break;
        case VK_RIGHT:
            ++cursor.iSlot;
            break;
        case VK_UP:
            --cursor.iDay;
            break;
        case VK_DOWN:
            ++cursor.iDay;
            break;
        case VK_HOME:
            cursor.iSlot = 0;
            break;
        case VK_END:
            cursor.iSlot = CTimeGrid::kSlots - 1;
            break;
        case VK_SPACE:
            m_grid.Toggle(m_cursor.iDay, m_cursor.iSlot);
            Changed();
            return true;
        default:
            return false;
    }
    m_cursor = {std::clamp(cursor.iDay, 0, CTimeGrid::kDays - 1),
                std::clamp(cursor.iSlot, 0, CTimeGrid::kSlots - 1)};
    Invalidate(false);
    return true;
}

void CTimeGridCtrl::Changed() {
    Invalidate(false);
    if (m_onChange) {
        m_onChange();
    }
}

LRESULT CTimeGridCtrl::WindowProc(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    switch (uMsg) {
        case WM_GETDLGCODE:
            return DLGC_WANTARROWS | DLGC_WANTCHARS;
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT: {
            const CPaintDC dc(m_hWnd);
            Paint(dc.Get(), GetClientRect());
            return 0;
        }
        case WM_LBUTTONDOWN:
            OnButtonDown(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
            return 0;
        case WM_MOUSEMOVE:
            OnMouseMove(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
            return 0;
        case WM_LBUTTONUP:
            if (m_bDragging) {
                ::ReleaseCapture();
            }
            return 0;
        case WM_CAPTURECHANGED:
            m_bDragging = false;
            return 0;
        case WM_KEYDOWN:
            if (OnKey(wParam)) {
                return 0;
            }
            break;
        case WM_CHAR:
            // Space is handled as a key; its character must not beep.
            if (wParam == ' ') {
                return 0;
            }
            break;
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            Invalidate(false);
            break;
        default:
            break;
    }
    return CWnd::WindowProc(uMsg, wParam, lParam);
}

void CTimeGridCtrl::Paint(HDC hdc, const RECT& client) const {
    // Off screen first, then one transfer: no flicker during a drag.
    const CMemoryDC memory(::CreateCompatibleDC(hdc));
    const CBitmapHandle bitmap(::CreateCompatibleBitmap(hdc, client.right, client.bottom));
    {
        const CSelectObject selected(memory.Get(), bitmap.Get());
        const HFONT hFont = reinterpret_cast<HFONT>(::SendMessageA(GetParent(), WM_GETFONT, 0, 0));
        const CSelectObject font(memory.Get(), hFont != nullptr
                                                   ? static_cast<HGDIOBJ>(hFont)
                                                   : ::GetStockObject(DEFAULT_GUI_FONT));
        ::FillRect(memory.Get(), &client, m_backBrush.Get());
        ::SetBkMode(memory.Get(), TRANSPARENT);
        ::SetTextColor(memory.Get(), RGB(0, 0, 0));
        const CTimeGridLayout layout = CTimeGridLayout::ForClient(client.right, client.bottom);
        PaintLabels(memory.Get(), layout);
        PaintCells(memory.Get(), layout);
        PaintLegend(memory.Get(), layout);
        ::BitBlt(hdc, 0, 0, client.right, client.bottom, memory.Get(), 0, 0, SRCCOPY);
    }
}

void CTimeGridCtrl::PaintLabels(HDC hdc, const CTimeGridLayout& layout) const {
    for (int iDay = 0; iDay < CTimeGrid::kDays; ++iDay) {
        const RECT rect = {2, layout.RowTop(iDay), CTimeGridLayout::kLabelWidth - 2,
                           layout.RowTop(iDay + 1)};
        Text(hdc, kDayNames[iDay], rect, DT_LEFT | DT_VCENTER);
    }
    // Every second hour, centred over its line; 24 closes the row.
    for (int iHour = 0; iHour <= 24; iHour += 2) {
        const int x = layout.CellLeft(iHour * 2);
        const RECT rect = {x - 12, 0, x + 12, CTimeGridLayout::kHeaderHeight - 1};
        Text(hdc, std::to_string(iHour), rect, DT_CENTER | DT_BOTTOM);
    }
}

void CTimeGridCtrl::PaintCells(HDC hdc, const CTimeGridLayout& layout) const {
    for (int iDay = 0; iDay < CTimeGrid::kDays; ++iDay) {
        for (int iSlot = 0; iSlot < CTimeGrid::kSlots; ++iSlot) {
            // A pixel of the background between cells.
            const RECT rect = {layout.CellLeft(iSlot) + 1, layout.RowTop(iDay) + 1,
                               layout.CellLeft(iSlot + 1), layout.RowTop(iDay + 1)};
            PaintCell(hdc, rect, m_grid.At(iDay, iSlot));
        }
    }
    // The hours' lines over the gaps.
    const CSelectObject pen(hdc, m_hourPen.Get());
    for (int iHour = 0; iHour <= 24; ++iHour) {
        const int x = layout.CellLeft(iHour * 2);
        const int iTop = layout.RowTop(0) - (iHour % 2 == 0 ? 3 : 0);
        ::MoveToEx(hdc, x, iTop, nullptr);
        ::LineTo(hdc, x, layout.GridBottom() + 1);
    }
    if (::GetFocus() == m_hWnd) {
        const RECT cursor = {layout.CellLeft(m_cursor.iSlot) - 1, layout.RowTop(m_cursor.iDay) - 1,
                             layout.CellLeft(m_cursor.iSlot + 1) + 2,
                             layout.RowTop(m_cursor.iDay + 1) + 2};
        const CBrushHandle black(::CreateSolidBrush(RGB(0, 0, 0)));
        ::FrameRect(hdc, &cursor, black.Get());
        const RECT inner = {cursor.left + 1, cursor.top + 1, cursor.right - 1, cursor.bottom - 1};
        ::FrameRect(hdc, &inner, black.Get());
    }
}

void CTimeGridCtrl::PaintCell(HDC hdc, const RECT& rect, CTimeGrid::Cell cell) const {
    if (cell == CTimeGrid::Cell::kPartly) {
        // Allowed over forbidden: some of its minutes are allowed.
        const int iMiddle = (rect.top + rect.bottom) / 2;
        const RECT upper = {rect.left, rect.top, rect.right, iMiddle};
        const RECT lower = {rect.left, iMiddle, rect.right, rect.bottom};
        ::FillRect(hdc, &upper, m_allowedBrush.Get());
        ::FillRect(hdc, &lower, m_forbiddenBrush.Get());
        return;
    }
    ::FillRect(hdc, &rect,
               cell == CTimeGrid::Cell::kAllowed ? m_allowedBrush.Get() : m_forbiddenBrush.Get());
}

void CTimeGridCtrl::PaintLegend(HDC hdc, const CTimeGridLayout& layout) const {
    const int iTop = layout.GridBottom() + 5;
    int x = CTimeGridLayout::kLabelWidth;
    for (const auto& [cell, szText] : {std::pair{CTimeGrid::Cell::kAllowed, "Allowed"},
                                       std::pair{CTimeGrid::Cell::kForbidden, "Forbidden"},
                                       std::pair{CTimeGrid::Cell::kPartly, "Partly allowed"}}) {
        // Measured: the font grows with the screen's scale.
        SIZE extent = {};
        ::GetTextExtentPoint32A(hdc, szText, static_cast<int>(std::strlen(szText)), &extent);
        const RECT swatch = {x, iTop + 1, x + 10, iTop + 11};
        PaintCell(hdc, swatch, cell);
        const RECT text = {x + 14, iTop + 6 - extent.cy / 2 - 1, x + 14 + extent.cx,
                           iTop + 6 + extent.cy / 2 + 1};
        Text(hdc, szText, text, DT_LEFT | DT_VCENTER);
        x += 14 + extent.cx + 24;
    }
}
