// A static text that behaves as a link: hand cursor, link and hover colours, underlined.
// A click opens its address with the shell and/or tells the parent through the registered
// message WM_XHYPERLINK_CLICKED (control id, 0).
#pragma once

#include <windows.h>

#include <string>

#include "gui/framework/Wnd.h"
#include "win/GdiHandle.h"
#include "win/UniqueHandle.h"

// Registered once, when the program starts.
extern const UINT WM_XHYPERLINK_CLICKED;

class CHyperLink : public CWnd {
public:
    static constexpr COLORREF kLinkColour = RGB(0, 0, 238);
    static constexpr COLORREF kVisitedColour = RGB(0, 0, 238);
    static constexpr COLORREF kHoverColour = RGB(255, 0, 0);

    void AttachDlgItem(int nId, const CWnd& parent) override;

    // The address to open; the window text by default.
    void SetUrl(const std::string& strUrl) { m_strUrl = strUrl; }
    const std::string& Url() const noexcept { return m_strUrl; }
    // Whether a click opens the address, shows a tooltip, tells the parent. Set before the
    // control is attached for the tooltip to follow.
    void EnableOpen(bool bOpen) noexcept { m_bOpen = bOpen; }
    void EnableTooltip(bool bTooltip) noexcept { m_bTooltip = bTooltip; }
    void EnableNotify(bool bNotify) noexcept { m_bNotify = bNotify; }
    bool IsVisited() const noexcept { return m_bVisited; }

    bool OnChildNotify(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult) override;

protected:
    LRESULT WindowProc(UINT uMsg, WPARAM wParam, LPARAM lParam) override;

private:
    static constexpr UINT_PTR kHoverTimer = 1;

    void MakeFonts();
    void FitToText();
    void LoadHandCursor();
    void MakeTooltip();
    void OnClicked();
    bool OpenUrl() const;
    bool OpenWithHtmlCommand() const;
    void SetHover(bool bHover);

    std::string m_strUrl;
    bool m_bOpen = true;
    bool m_bTooltip = true;
    bool m_bNotify = false;
    bool m_bVisited = false;
    bool m_bHover = false;
    CFontHandle m_underlinedFont;
    HCURSOR m_hCursor = nullptr;
    CModule m_helpModule;  // holds the fallback cursor's module
    CWindow m_tooltip;
};
