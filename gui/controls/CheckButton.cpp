#include "gui/controls/CheckButton.h"

#include "gui/controls/CheckButtonList.h"
#include "win/GdiHandle.h"

namespace {

constexpr COLORREF kItemColour = RGB(255, 255, 255);
constexpr COLORREF kSeparatorColour = RGB(226, 233, 242);
constexpr int kTextGap = 2;

}  // namespace

bool CCheckButton::Create(int nId) {
    const HWND hList = m_list.GetSafeHwnd();
    const HWND hWnd = ::CreateWindowExA(
        0, "Button", m_strText.c_str(), WS_CHILD | BS_OWNERDRAW, 0, 0, 0, 0, hList,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(nId)), ::GetModuleHandleA(nullptr), nullptr);
    if (hWnd == nullptr) {
        return false;
    }
    ::SendMessageA(hWnd, WM_SETFONT, static_cast<WPARAM>(::SendMessageA(hList, WM_GETFONT, 0, 0)),
                   FALSE);
    return SubclassWindow(hWnd);
}

void CCheckButton::SetChecked(bool bChecked) {
    m_bChecked = bChecked;
    m_glyph.SetChecked(bChecked);
    if (m_hWnd != nullptr) {
        Invalidate(false);
    }
}

bool CCheckButton::OnChildNotify(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult) {
    if (uMsg == WM_DRAWITEM) {
        Draw(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        lResult = TRUE;
        return true;
    }
    if (uMsg == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
        m_list.PostMessage(CCheckButtonList::kToggleMessage, 0, reinterpret_cast<LPARAM>(m_hWnd));
        lResult = 0;
        return true;
    }
    return false;
}

void CCheckButton::Draw(const DRAWITEMSTRUCT& item) const {
    const RECT& rect = item.rcItem;
    const HDC hdc = item.hDC;
    ::SetBkColor(hdc, kItemColour);
    ::ExtTextOutA(hdc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
    ::SetBkColor(hdc, kSeparatorColour);
    const RECT separator = {rect.left, rect.bottom - 1, rect.right, rect.bottom};
    ::ExtTextOutA(hdc, 0, 0, ETO_OPAQUE, &separator, nullptr, 0, nullptr);

    const int nBox = rect.bottom - rect.top;
    m_glyph.Draw(hdc, RECT{rect.left, rect.top, rect.left + nBox, rect.bottom});
    RECT text = {rect.left + nBox + kTextGap, rect.top, rect.right - kTextGap, rect.bottom};
    const auto hFont = reinterpret_cast<HFONT>(::SendMessageA(item.hwndItem, WM_GETFONT, 0, 0));
    const CSelectObject font(hdc, hFont != nullptr ? hFont : ::GetStockObject(DEFAULT_GUI_FONT));
    ::SetBkMode(hdc, TRANSPARENT);
    ::SetTextColor(hdc, RGB(0, 0, 0));
    ::DrawTextA(hdc, m_strText.c_str(), -1, &text,
                DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
}
