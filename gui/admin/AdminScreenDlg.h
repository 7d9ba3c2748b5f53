// The Administration screen: filtering on or off, and the way to create a profile or to
// modify a user's or the Default profile.
#pragma once

#include "gui/admin/SkinnedScreen.h"
#include "gui/framework/Controls.h"
#include "gui/framework/MessageMap.h"

class CAdminScreenDlg : public CSkinnedScreen {
public:
    explicit CAdminScreenDlg(CWnd* pParent = nullptr);

protected:
    void BeforeExchange() override;
    void OnOK() override;
    void OnCancel() override;
    void DoDataExchange(CDataExchange& dx) override;
    bool HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult) override;

private:
    static const CMessageEntry<CAdminScreenDlg> kMessageMap[];

    void OnCreateProfile();
    void OnModifyDefaultProfile();
    void OnModifyUserProfile();
    void OnFilterChoice();
    void OnApply();
    void OnCloseButton();

    int m_iFilterOff = BST_UNCHECKED;
    // A radio button was clicked since the screen opened or since the last Apply.
    bool m_bChanged = false;
};
