// Personal Settings: a plain user changes his own password.
#pragma once

#include <string>

#include "gui/admin/SkinnedScreen.h"
#include "gui/framework/Controls.h"
#include "gui/framework/MessageMap.h"

class CChangePassDlg : public CSkinnedScreen {
public:
    explicit CChangePassDlg(CWnd* pParent = nullptr);

protected:
    void BeforeExchange() override;
    void OnScreenInit() override;
    void OnOK() override;
    void OnCancel() override;
    void DoDataExchange(CDataExchange& dx) override;
    bool HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult) override;

private:
    static const CMessageEntry<CChangePassDlg> kMessageMap[];

    // Takes away the group controls and the room they stand in.
    void HideGroup();
    void OnChangePassword();

    CEdit m_oldEdit;
    CEdit m_newEdit;
    CEdit m_confirmEdit;
    std::string m_strName;
    std::string m_strOld;
    std::string m_strNew;
    std::string m_strConfirm;
};
