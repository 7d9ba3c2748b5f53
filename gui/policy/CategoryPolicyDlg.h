// Categories Settings: the wizard's blocked categories; "Next" leads to Time Settings.
#pragma once

#include "gui/admin/WizardPageDialog.h"
#include "gui/framework/MessageMap.h"
#include "gui/policy/CategoryChecks.h"

class CCategoryPolicyDlg : public CWizardPageDialog {
public:
    explicit CCategoryPolicyDlg(CWnd* pParent = nullptr);

protected:
    void OnScreenInit() override;
    bool HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult) override;

private:
    static const CMessageEntry<CCategoryPolicyDlg> kMessageMap[];

    void OnAdvancedSettings();
    void OnNext();

    CCategoryChecks m_checks;
};
