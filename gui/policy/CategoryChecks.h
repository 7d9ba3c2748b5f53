// The blocked categories of a screen (Categories Settings and the editor's Category page):
// one check item per known category, checked when the profile blocks it. Every change goes
// straight into the edit state.
#pragma once

#include <windows.h>

#include "gui/controls/CheckButtonList.h"

class CCategoryChecks {
public:
    // Binds the screen's category list with its scroll bar at scrollBarRect (the screen's
    // pixels), fills it with every category and checks the profile's blocked ones.
    bool Open(const CWnd& screen, const RECT& scrollBarRect);
    // Makes the blocked categories exactly the checked items, first to last.
    void StoreChecks();

    CCheckButtonList& List() noexcept { return m_list; }

private:
    void OnToggle(int nIndex, bool bChecked);

    CCheckButtonList m_list;
};
