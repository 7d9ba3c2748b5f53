// Create User: the first screen of the create-profile wizard. It starts a fresh edit state,
// takes the new user's name, password and group, and hands on to the categories.
#pragma once

#include <string>

#include "gui/admin/WizardPageDialog.h"
#include "gui/framework/Controls.h"
#include "gui/framework/MessageMap.h"

class CUserInfoDlg : public CWizardPageDialog {
public:
    explicit CUserInfoDlg(CWnd* pParent = nullptr);

protected:
    void BeforeExchange() override;
    void OnScreenInit() override;
    void OnOK() override;
    void OnCancel() override;
    void DoDataExchange(CDataExchange& dx) override;
    bool HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult) override;

private:
    static const CMessageEntry<CUserInfoDlg> kMessageMap[];

    void OnNext();
    void OnPrevious();

    CEdit m_nameEdit;
    CEdit m_passwordEdit;
    CEdit m_confirmEdit;
    std::string m_strName;
    std::string m_strPassword;
    std::string m_strConfirm;
    int m_iGroupUser = BST_CHECKED;
};
