// Advanced Settings: the wizard's allowed and blocked URL lists.
#pragma once

#include "gui/admin/WizardPageDialog.h"
#include "gui/framework/MessageMap.h"
#include "gui/policy/UrlListsEditor.h"

class CURLPolicyDlg : public CWizardPageDialog {
public:
    explicit CURLPolicyDlg(CWnd* pParent = nullptr);

protected:
    void OnScreenInit() override;
    bool HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult) override;

private:
    static const CMessageEntry<CURLPolicyDlg> kMessageMap[];

    void OnSave();
    void OnBack();

    CUrlListsEditor m_lists{*this};
};
