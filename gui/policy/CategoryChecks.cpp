#include "gui/policy/CategoryChecks.h"

#include <algorithm>
#include <string>
#include <vector>

#include "gui/admin/Operations.h"
#include "gui/admin/ProfileEditState.h"
#include "gui/res/resource.h"

bool CCategoryChecks::Open(const CWnd& screen, const RECT& scrollBarRect) {
    if (!m_list.Attach(screen, IDC_CATEGORY_LIST, scrollBarRect)) {
        return false;
    }
    FillCheckList(m_list, gProfileEditState.allCategories);
    // Exact, case-sensitive matches (the list box's own search ignores case); a blocked
    // category with no item stays blocked but is not shown.
    const int nCount = m_list.GetCount();
    for (const std::string& strBlocked : gProfileEditState.selectedCategories) {
        for (int i = 0; i < nCount; ++i) {
            if (m_list.GetText(i) == strBlocked) {
                m_list.SetCheck(i, true);
                break;
            }
        }
    }
    m_list.SetToggleHandler([this](int nIndex, bool bChecked) { OnToggle(nIndex, bChecked); });
    m_list.SetSelectionHandler([] { listsChanged = 1; });
    return true;
}

void CCategoryChecks::OnToggle(int nIndex, bool bChecked) {
    std::vector<std::string>& blocked = gProfileEditState.selectedCategories;
    const std::string strText = m_list.GetText(nIndex);
    const auto found = std::find(blocked.begin(), blocked.end(), strText);
    if (bChecked && found == blocked.end()) {
        blocked.push_back(strText);
    } else if (!bChecked && found != blocked.end()) {
        blocked.erase(found);
    }
    listsChanged = 1;
}

void CCategoryChecks::StoreChecks() {
    std::vector<std::string>& blocked = gProfileEditState.selectedCategories;
    blocked.clear();
    const int nCount = m_list.GetCount();
    for (int i = 0; i < nCount; ++i) {
        if (m_list.GetCheck(i)) {
            blocked.push_back(m_list.GetText(i));
        }
    }
}
