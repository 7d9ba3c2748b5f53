// The installer's step: in install mode the person installing sets the password of the super
// administrator "admin"; in uninstall mode the person removing the program proves he knows
// it. The installer reads the outcome from "NeedToExit": 0 accepted, 1 not.
#pragma once

#include <string>

#include "gui/framework/Controls.h"
#include "gui/framework/Dialog.h"

class CAdminPasswordDlg : public CDialog {
public:
    static constexpr size_t kPasswordMax = 20;

    CAdminPasswordDlg() noexcept;

    // 1: install mode (the default); 0: uninstall mode.
    int m_bInstall = 1;

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    void DoDataExchange(CDataExchange& dx) override;

private:
    bool AcceptInstall();
    bool AcceptUninstall();
    void ArrangeForInstall();
    // Writes "NeedToExit"; false when the product key could not be made or opened.
    static bool WriteNeedToExit(DWORD dwValue);

    CEdit m_passwordEdit;
    std::string m_strUser;
    std::string m_strPassword;
    std::string m_strConfirm;
    std::string m_strNote;
};
