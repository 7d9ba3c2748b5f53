// The Time page's week grid: days down, half hours across, allowed cells green and forbidden
// ones red. A click toggles a cell and a drag sets every cell of the rectangle it covers as
// the first cell became; with the keyboard, arrows move a cursor and space toggles its cell.
// Binds a static dialog item (SS_NOTIFY, WS_TABSTOP) and draws it whole.
#pragma once

#include <windows.h>

#include <functional>

#include "gui/framework/Wnd.h"
#include "gui/portable/TimeGrid.h"
#include "win/GdiHandle.h"

class CTimeGridCtrl : public CWnd {
public:
    CTimeGridCtrl();

    void AttachDlgItem(int nId, const CWnd& parent) override { SubclassDlgItem(nId, parent); }

    const CTimeGrid& Grid() const noexcept { return m_grid; }
    // Shows another week; tells no one.
    void SetGrid(const CTimeGrid& grid);
    // A day's minutes, also into the week a drag under way started from.
    void SetLimit(int iDay, int iMinutes);
    // Told after every change the person makes.
    void SetChangeHandler(std::function<void()> onChange) { m_onChange = std::move(onChange); }

protected:
    LRESULT WindowProc(UINT uMsg, WPARAM wParam, LPARAM lParam) override;

private:
    struct CCellPos {
        int iDay;
        int iSlot;
    };

    CTimeGridLayout Layout() const noexcept;
    // The cell under a point, the nearest edge cell for a point outside.
    CCellPos NearestCell(int x, int y) const noexcept;
    void OnButtonDown(int x, int y);
    void OnMouseMove(int x, int y);
    bool OnKey(WPARAM vk);
    void Changed();
    void Paint(HDC hdc, const RECT& client) const;
    void PaintLabels(HDC hdc, const CTimeGridLayout& layout) const;
    void PaintCells(HDC hdc, const CTimeGridLayout& layout) const;
    void PaintLegend(HDC hdc, const CTimeGridLayout& layout) const;
    void PaintCell(HDC hdc, const RECT& rect, CTimeGrid::Cell cell) const;

    CTimeGrid m_grid;
    CTimeGrid m_beforeDrag;
    CCellPos m_anchor = {0, 0};
    CCellPos m_cursor = {0, 0};
    bool m_bDragging = false;
    bool m_bDragValue = false;
    CBrushHandle m_allowedBrush;
    CBrushHandle m_forbiddenBrush;
    CBrushHandle m_backBrush;
    CPenHandle m_hourPen;
    std::function<void()> m_onChange;
};
