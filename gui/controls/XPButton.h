// The program's push button: an owner-drawn face of 64 gradient bands whose colours follow
// the button's state (hover, pressed, disabled), framed, drawn off screen and copied in one
// transfer. In tab mode it is one of a row of tabs and shows whether it is the selected one.
#pragma once

#include <windows.h>

#include "gui/framework/Wnd.h"
#include "win/GdiHandle.h"

class CXPButton : public CWnd {
public:
    CXPButton();

    void AttachDlgItem(int nId, const CWnd& parent) override { SubclassDlgItem(nId, parent); }
    // A button made at run time (the tabs of the profile editor).
    bool Create(const char* szCaption, const RECT& rect, HWND hParent, int nId);

    void SetTabMode(bool bTabMode) noexcept { m_bTabMode = bTabMode; }
    bool IsTabMode() const noexcept { return m_bTabMode; }
    void SetSelectedTab(bool bSelected) noexcept;
    bool IsSelectedTab() const noexcept { return m_bSelectedTab; }

    // Draws the button as it looks in the given state into hdc at (0,0).
    void Paint(HDC hdc, const RECT& rect, UINT uItemState) const;

    bool OnChildNotify(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult) override;

protected:
    LRESULT WindowProc(UINT uMsg, WPARAM wParam, LPARAM lParam) override;

private:
    void PaintFace(HDC hdc, const RECT& rect, bool bPressed) const;
    void PaintFrame(HDC hdc, const RECT& rect, UINT uItemState) const;
    void PaintCaption(HDC hdc, const RECT& rect, UINT uItemState) const;
    void TrackMouse();

    CPenHandle m_blackPen;
    CPenHandle m_orangePens[4];
    CPenHandle m_bluePens[3];
    CPenHandle m_outlinePens[4];
    CBrushHandle m_disabledBrush;
    bool m_bTabMode = false;
    bool m_bSelectedTab = false;
    bool m_bHover = false;
    bool m_bTracking = false;
};
