// The profile editor: the Category, Advanced, Time and (for a user's profile) User pages over
// the profile in the edit state. Apply and Done commit the edited lists and time rules; Cancel
// leaves them unwritten.
#pragma once

#include "gui/admin/SkinnedScreen.h"
#include "gui/admin/TabContainerDlg.h"
#include "gui/controls/XPButton.h"
#include "gui/framework/MessageMap.h"
#include "gui/policy/CategoryPageDlg.h"
#include "gui/policy/PageTwoDlg.h"
#include "gui/policy/TimePageDlg.h"
#include "gui/users/UserPageDlg.h"

class CModifyProfileDlg : public CSkinnedScreen {
public:
    explicit CModifyProfileDlg(CWnd* pParent = nullptr);

protected:
    void OnScreenInit() override;
    void OnOK() override;
    void OnCancel() override;
    bool HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult) override;

private:
    static const CMessageEntry<CModifyProfileDlg> kMessageMap[];
    // The container's place in the editor.
    static constexpr RECT kContainerRect = {0, 92, 491, 92 + 379};

    void CreateTabs();
    // Makes the page and its tab button; false when the page could not be made.
    bool AddTab(CDialog& page, CXPButton& button, const char* szCaption, int nId);
    void OnApply();
    // Writes the edited lists when something changed; false when a write failed.
    bool Commit();
    void OnDone();

    CTabContainerDlg m_container;
    CCategoryPageDlg m_categoryPage;
    CPageTwoDlg m_advancedPage;
    CTimePageDlg m_timePage;
    CUserPageDlg m_userPage;
    CXPButton m_categoryTab;
    CXPButton m_advancedTab;
    CXPButton m_timeTab;
    CXPButton m_userTab;
};
