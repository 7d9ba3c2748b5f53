// The category list: a list box whose items are check buttons (checked = blocked), ten to a
// view, scrolled by a skinned scroll bar that the owner places beside it. A click on an item
// posts kToggleMessage to the list, which toggles the item and tells the owner.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "gui/controls/CheckButton.h"
#include "gui/controls/SkinScrollBar.h"
#include "gui/framework/Controls.h"

class CCheckButtonList : public CListBox {
public:
    static constexpr UINT kToggleMessage = WM_USER + 1000;
    static constexpr int kVisibleItems = 10;

    CCheckButtonList();
    ~CCheckButtonList() override;

    // Binds dialog item nId and puts the scroll bar at scrollBarRect (the dialog's pixels).
    bool Attach(const CWnd& dialog, int nId, const RECT& scrollBarRect);

    // Adds an unchecked item; returns its index.
    int AddItem(const std::string& strText);
    bool GetCheck(int nIndex) const;
    void SetCheck(int nIndex, bool bChecked);

    // Told of every toggle (index, new state) and every selection change.
    void SetToggleHandler(std::function<void(int, bool)> onToggle) {
        m_onToggle = std::move(onToggle);
    }
    void SetSelectionHandler(std::function<void()> onSelect) { m_onSelect = std::move(onSelect); }

    CSkinScrollBar& ScrollBar() noexcept { return m_scrollBar; }
    // The button of item nIndex (tests drive it as a user would).
    HWND ItemButton(int nIndex) const;

    bool OnChildNotify(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult) override;

protected:
    LRESULT WindowProc(UINT uMsg, WPARAM wParam, LPARAM lParam) override;

private:
    int ItemHeight() const;
    void LayoutButtons();
    void Toggle(HWND hButton);

    std::vector<std::unique_ptr<CCheckButton>> m_buttons;
    CSkinScrollBar m_scrollBar;
    std::function<void(int, bool)> m_onToggle;
    std::function<void()> m_onSelect;
};
