// Select User: opens the profile editor on a user, and deletes users.
#pragma once

#include <string>

#include "gui/admin/SkinnedScreen.h"
#include "gui/framework/Controls.h"
#include "gui/framework/MessageMap.h"

class CSelectUserDlg : public CSkinnedScreen {
public:
    explicit CSelectUserDlg(CWnd* pParent = nullptr);

protected:
    void OnScreenInit() override;
    void OnOK() override;
    void OnCancel() override;
    void DoDataExchange(CDataExchange& dx) override;
    bool HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult) override;

private:
    static const CMessageEntry<CSelectUserDlg> kMessageMap[];

    void FillUserList();
    // The selected row, or -1 after telling that none is.
    int SelectedRow();
    void OnEdit();
    void OnDelete();
    void OnPrevious();

    CListCtrl m_userList;
};
