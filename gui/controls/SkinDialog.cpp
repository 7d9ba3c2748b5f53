#include "gui/controls/SkinDialog.h"

#include <algorithm>
#include <cstring>

#include "gui/framework/Dpi.h"
#include "gui/framework/MessageMap.h"
#include "win/GdiHandle.h"

namespace {

// The banner's columns right of this many pixels from its right edge are one plain colour
// and stretch to any width; the rest (logo and name) keep their natural size.
constexpr int kBannerStretchColumns = 8;

bool IsButtonOrStatic(HWND hControl) {
    char szClass[32] = {};
    ::GetClassNameA(hControl, szClass, sizeof szClass);
    return _stricmp(szClass, "Button") == 0 || _stricmp(szClass, "Static") == 0;
}

}  // namespace

const CMessageEntry<CSkinDialog> CSkinDialog::kMessageMap[] = {
    MapMessage(WM_ERASEBKGND, &CSkinDialog::OnEraseBackground),
    MapMessage(WM_CTLCOLORBTN, &CSkinDialog::OnButtonColour),
    MapMessage(WM_CTLCOLORSTATIC, &CSkinDialog::OnStaticColour),
    MapMessage(WM_QUERYNEWPALETTE, &CSkinDialog::OnQueryNewPalette),
    MapMessage(WM_PALETTECHANGED, &CSkinDialog::OnPaletteChanged),
};

bool CSkinDialog::SetBackground(UINT nId, Mode mode) {
    m_mode = mode;
    m_bBackground = m_background.LoadFromResource(nId);
    return m_bBackground;
}

void CSkinDialog::SetStaticText(int nId, const std::string& strText) {
    const HWND hStatic = GetDlgItem(nId);
    ::SetWindowTextA(hStatic, strText.c_str());
    RECT rect = {};
    ::GetWindowRect(hStatic, &rect);
    ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&rect), 2);
    ::RedrawWindow(m_hWnd, &rect, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

bool CSkinDialog::SetBanner(UINT nId) {
    m_bBanner = m_banner.LoadFromResource(nId);
    return m_bBanner;
}

void CSkinDialog::SkinPushButtons() {
    for (HWND hChild = ::GetWindow(m_hWnd, GW_CHILD); hChild != nullptr;
         hChild = ::GetWindow(hChild, GW_HWNDNEXT)) {
        if ((::GetWindowLongA(hChild, GWL_STYLE) & BS_TYPEMASK) == BS_OWNERDRAW &&
            CWnd::FromHandlePermanent(hChild) == nullptr) {
            m_pushButtons.push_back(std::make_unique<CXPButton>());
            m_pushButtons.back()->SubclassWindow(hChild);
        }
    }
}

bool CSkinDialog::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult) {
    return DispatchMessageMap(*this, kMessageMap, uMsg, wParam, lParam, lResult) ||
           CDialog::HandleMessage(uMsg, wParam, lParam, lResult);
}

LRESULT CSkinDialog::OnEraseBackground(WPARAM wParam, LPARAM lParam) {
    if (!HasBackground()) {
        return Default(WM_ERASEBKGND, wParam, lParam);
    }
    const HDC hdc = reinterpret_cast<HDC>(wParam);
    const RECT client = GetClientRect();
    DrawBackground(hdc, client);
    if (m_bBanner && m_banner.IsValid()) {
        DrawBanner(hdc, client);
    }
    return TRUE;
}

void CSkinDialog::DrawBackground(HDC hdc, const RECT& client) {
    const int nWidth = m_background.Width();
    const int nHeight = m_background.Height();
    switch (m_mode) {
        case kStretch:
            m_background.DrawStretched(hdc, client);
            break;
        case kCentre:
            Default(WM_ERASEBKGND, reinterpret_cast<WPARAM>(hdc), 0);
            m_background.Draw(hdc, (client.right - nWidth) / 2, (client.bottom - nHeight) / 2);
            break;
        default: {
            // At a scaled screen each tile grows with the controls it lies under, so that a
            // screen's picture stays where its controls are.
            const int nTileWidth = std::max(1, ScaleForDpi(nWidth));
            const int nTileHeight = std::max(1, ScaleForDpi(nHeight));
            for (int y = 0; y < client.bottom; y += nTileHeight) {
                for (int x = 0; x < client.right; x += nTileWidth) {
                    if (nTileWidth == nWidth && nTileHeight == nHeight) {
                        m_background.Draw(hdc, x, y);
                    } else {
                        m_background.DrawStretched(hdc,
                                                   RECT{x, y, x + nTileWidth, y + nTileHeight});
                    }
                }
            }
            break;
        }
    }
}

void CSkinDialog::DrawBanner(HDC hdc, const RECT& client) const {
    const int nWidth = m_banner.Width();
    const int nHeight = m_banner.Height();
    if (client.right <= nWidth) {
        m_banner.DrawStretched(hdc, RECT{0, 0, client.right, nHeight});
        return;
    }
    // Wider than the banner: the plain right part stretches, so the name is not distorted.
    const int nKept = nWidth - kBannerStretchColumns;
    m_banner.DrawPart(hdc, RECT{0, 0, nKept, nHeight}, RECT{0, 0, nKept, nHeight});
    m_banner.DrawPart(hdc, RECT{nKept, 0, client.right, nHeight}, RECT{nKept, 0, nWidth, nHeight});
}

LRESULT CSkinDialog::OnButtonColour(WPARAM wParam, LPARAM lParam) {
    return ControlColour(WM_CTLCOLORBTN, wParam, lParam);
}

LRESULT CSkinDialog::OnStaticColour(WPARAM wParam, LPARAM lParam) {
    return ControlColour(WM_CTLCOLORSTATIC, wParam, lParam);
}

LRESULT CSkinDialog::ControlColour(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    const auto hControl = reinterpret_cast<HWND>(lParam);
    // Edits that are read-only or disabled ask as statics do; they keep their own colours,
    // as does every control when there is no background to show.
    if (!HasBackground() || !IsButtonOrStatic(hControl)) {
        return Default(uMsg, wParam, lParam);
    }
    ::SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
    return reinterpret_cast<LRESULT>(m_hHollowBrush);
}

LRESULT CSkinDialog::OnQueryNewPalette(WPARAM, LPARAM) {
    if (!HasBackground()) {
        return FALSE;
    }
    const CClientDC dc(m_hWnd);
    const bool bChanged = m_background.RealizePalette(dc.Get());
    if (bChanged) {
        Invalidate();
    }
    return bChanged ? TRUE : FALSE;
}

LRESULT CSkinDialog::OnPaletteChanged(WPARAM wParam, LPARAM lParam) {
    // Another window's palette change: realise ours again, unless the change was ours.
    if (reinterpret_cast<HWND>(wParam) != m_hWnd) {
        OnQueryNewPalette(wParam, lParam);
    }
    return 0;
}
