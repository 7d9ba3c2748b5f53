// The User page of the profile editor: the edited user's password and, for the Super
// Administrator editing someone else, his group.
#pragma once

#include <string>

#include "gui/controls/SkinDialog.h"
#include "gui/framework/Controls.h"
#include "gui/framework/MessageMap.h"

class CUserPageDlg : public CSkinDialog {
public:
    explicit CUserPageDlg(CWnd* pParent = nullptr);

protected:
    BOOL OnInitDialog() override;
    // A page ends nothing: Enter and Escape belong to the editor.
    void OnOK() override {}
    void OnCancel() override {}
    void DoDataExchange(CDataExchange& dx) override;
    bool HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult) override;

private:
    static const CMessageEntry<CUserPageDlg> kMessageMap[];

    void OnChangePassword();
    void OnChangeGroup();

    CEdit m_newEdit;
    CEdit m_confirmEdit;
    std::string m_strNew;
    std::string m_strConfirm;
};
