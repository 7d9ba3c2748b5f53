// A vertical scroll bar drawn from the program's bitmaps (arrows, track, thumb) that scrolls
// a list box by its top index. A press on an arrow scrolls one item and repeats every
// 250 ms until the button is released; a press on the track scrolls a page; the thumb drags.
#pragma once

#include <windows.h>

#include "gui/controls/DibImage.h"
#include "gui/framework/Controls.h"

class CSkinScrollBar : public CWnd {
public:
    // A child of hParent at `rect`, scrolling `list`, which shows nVisible items at a time.
    bool Create(HWND hParent, const RECT& rect, CListBox& list, int nVisible);
    // Follows the list's count and top index.
    void Update();

    // The geometry, exposed for tests: the thumb's rectangle in client coordinates.
    RECT ThumbRect() const;

protected:
    LRESULT WindowProc(UINT uMsg, WPARAM wParam, LPARAM lParam) override;

private:
    enum class Part { kNone, kUp, kDown, kPageUp, kPageDown, kThumb };
    static constexpr UINT_PTR kRepeatTimer = 1;
    static constexpr UINT kRepeatMs = 250;

    void Paint(HDC hdc) const;
    Part HitTest(int y) const;
    int MaxTop() const;
    void ScrollTo(int nTop);
    void Act(Part part);
    void OnButtonDown(int y);
    void OnDrag(int y);
    void OnButtonUp();

    CListBox* m_pList = nullptr;
    int m_nVisible = 1;
    CDibImage m_up;
    CDibImage m_down;
    CDibImage m_track;
    CDibImage m_thumb;
    Part m_pressed = Part::kNone;
    int m_nDragOffset = 0;
};
