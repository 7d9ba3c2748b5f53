#include "gui/controls/CheckButtonList.h"

#include <algorithm>

namespace {

// Item buttons are numbered across the program's run.
int g_nNextButtonId = 1002;

}  // namespace

CCheckButtonList::CCheckButtonList() = default;

CCheckButtonList::~CCheckButtonList() = default;

bool CCheckButtonList::Attach(const CWnd& dialog, int nId, const RECT& scrollBarRect) {
    if (!SubclassDlgItem(nId, dialog)) {
        return false;
    }
    // The item buttons cover the items: the list must not paint over them.
    ::SetWindowLongA(m_hWnd, GWL_STYLE, ::GetWindowLongA(m_hWnd, GWL_STYLE) | WS_CLIPCHILDREN);
    // The list has no scroll bar of its own; the skinned one stands beside it.
    ::ShowScrollBar(m_hWnd, SB_VERT, FALSE);
    SetItemHeight(ItemHeight());
    return m_scrollBar.Create(dialog.GetSafeHwnd(), scrollBarRect, *this, kVisibleItems);
}

int CCheckButtonList::ItemHeight() const {
    return std::max(1, static_cast<int>(GetClientRect().bottom) / kVisibleItems);
}

int CCheckButtonList::AddItem(const std::string& strText) {
    auto button = std::make_unique<CCheckButton>(*this, strText);
    if (!button->Create(g_nNextButtonId++)) {
        return LB_ERR;
    }
    const int nIndex = AddString(strText);
    if (nIndex < 0) {
        return nIndex;
    }
    SetItemData(nIndex, reinterpret_cast<LPARAM>(button.get()));
    m_buttons.insert(m_buttons.begin() + nIndex, std::move(button));
    SetItemHeight(ItemHeight());
    LayoutButtons();
    m_scrollBar.Update();
    return nIndex;
}

bool CCheckButtonList::GetCheck(int nIndex) const {
    return nIndex >= 0 && static_cast<size_t>(nIndex) < m_buttons.size() &&
           m_buttons[static_cast<size_t>(nIndex)]->IsChecked();
}

void CCheckButtonList::SetCheck(int nIndex, bool bChecked) {
    if (nIndex >= 0 && static_cast<size_t>(nIndex) < m_buttons.size()) {
        m_buttons[static_cast<size_t>(nIndex)]->SetChecked(bChecked);
    }
}

HWND CCheckButtonList::ItemButton(int nIndex) const {
    if (nIndex < 0 || static_cast<size_t>(nIndex) >= m_buttons.size()) {
        return nullptr;
    }
    return m_buttons[static_cast<size_t>(nIndex)]->GetSafeHwnd();
}

void CCheckButtonList::LayoutButtons() {
    // The list scrolls its own pixels only; the buttons over its items follow here.
    const int nTop = GetTopIndex();
    const RECT client = GetClientRect();
    for (size_t i = 0; i < m_buttons.size(); ++i) {
        const HWND hButton = m_buttons[i]->GetSafeHwnd();
        RECT item = {};
        SendMessage(LB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&item));
        const bool bVisible = static_cast<int>(i) >= nTop && item.top < client.bottom;
        if (!bVisible) {
            ::ShowWindow(hButton, SW_HIDE);
            continue;
        }
        ::SetWindowPos(hButton, nullptr, item.left, item.top, item.right - item.left,
                       item.bottom - item.top, SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    }
}

void CCheckButtonList::Toggle(HWND hButton) {
    for (size_t i = 0; i < m_buttons.size(); ++i) {
        if (m_buttons[i]->GetSafeHwnd() == hButton) {
            const bool bChecked = !m_buttons[i]->IsChecked();
            m_buttons[i]->SetChecked(bChecked);
            if (m_onToggle) {
                m_onToggle(static_cast<int>(i), bChecked);
            }
            return;
        }
    }
}

bool CCheckButtonList::OnChildNotify(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult) {
    if (uMsg == WM_DRAWITEM) {
        // Drawing an item puts its button over it.
        const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (item.itemID != static_cast<UINT>(-1) && item.itemID < m_buttons.size()) {
            const RECT& rect = item.rcItem;
            ::SetWindowPos(m_buttons[item.itemID]->GetSafeHwnd(), nullptr, rect.left, rect.top,
                           rect.right - rect.left, rect.bottom - rect.top,
                           SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
        }
        lResult = TRUE;
        return true;
    }
    if (uMsg == WM_COMMAND && HIWORD(wParam) == LBN_SELCHANGE) {
        if (m_onSelect) {
            m_onSelect();
        }
        lResult = 0;
        return true;
    }
    return false;
}

LRESULT CCheckButtonList::WindowProc(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    if (uMsg == kToggleMessage) {
        Toggle(reinterpret_cast<HWND>(lParam));
        return 0;
    }
    LRESULT lResult = 0;
    // The item buttons' own drawing and clicks come to the list, their parent.
    if ((uMsg == WM_DRAWITEM || uMsg == WM_COMMAND) &&
        ReflectToChild(uMsg, wParam, lParam, lResult)) {
        return lResult;
    }
    if (uMsg == WM_KEYDOWN && wParam == VK_SPACE) {
        const int nSelected = static_cast<int>(SendMessage(LB_GETCURSEL));
        if (const HWND hButton = ItemButton(nSelected)) {
            PostMessage(kToggleMessage, 0, reinterpret_cast<LPARAM>(hButton));
        }
        return 0;
    }
    lResult = Default(uMsg, wParam, lParam);
    switch (uMsg) {
        case WM_PAINT:
        case WM_MOUSEWHEEL:
        case WM_KEYDOWN:
        case WM_VSCROLL:
        case WM_SIZE:
        case LB_SETTOPINDEX:
        case LB_SETCURSEL:
            LayoutButtons();
            m_scrollBar.Update();
            break;
        default:
            break;
    }
    return lResult;
}
