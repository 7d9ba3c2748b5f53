// One item of a CCheckButtonList: an owner-drawn button over the item's rectangle showing a
// check glyph and the item's text. A click asks the list to toggle it.
#pragma once

#include <windows.h>

#include <string>

#include "gui/controls/CheckGlyph.h"
#include "gui/framework/Wnd.h"

class CCheckButtonList;

class CCheckButton : public CWnd {
public:
    CCheckButton(CCheckButtonList& list, std::string strText) noexcept
        : m_list(list), m_strText(std::move(strText)) {}

    // A hidden child of the list; it shows once the list draws its item.
    bool Create(int nId);

    const std::string& Text() const noexcept { return m_strText; }
    bool IsChecked() const noexcept { return m_bChecked; }
    void SetChecked(bool bChecked);

    bool OnChildNotify(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult) override;

private:
    void Draw(const DRAWITEMSTRUCT& item) const;

    CCheckButtonList& m_list;
    std::string m_strText;
    bool m_bChecked = false;
    CCheckGlyph m_glyph;
};
