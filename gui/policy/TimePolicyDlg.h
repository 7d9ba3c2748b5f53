// Time Settings: the wizard's time rules, after Categories Settings; Finish creates the user.
#pragma once

#include "gui/admin/WizardPageDialog.h"
#include "gui/framework/MessageMap.h"
#include "gui/policy/TimeRulesEditor.h"

class CTimePolicyDlg : public CWizardPageDialog {
public:
    explicit CTimePolicyDlg(CWnd* pParent = nullptr);

protected:
    void OnScreenInit() override;
    bool HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult) override;

private:
    static const CMessageEntry<CTimePolicyDlg> kMessageMap[];

    void OnBack();
    void OnFinish();

    CTimeRulesEditor m_editor{*this};
};
