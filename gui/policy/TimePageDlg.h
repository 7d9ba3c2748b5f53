// The Time page of the profile editor: when and how long the profile may use the internet.
// The editor commits what it changes.
#pragma once

#include "gui/controls/SkinDialog.h"
#include "gui/policy/TimeRulesEditor.h"

class CTimePageDlg : public CSkinDialog {
public:
    explicit CTimePageDlg(CWnd* pParent = nullptr);

protected:
    BOOL OnInitDialog() override;
    // Enter and Escape inside a page end nothing.
    void OnOK() override {}
    void OnCancel() override {}
    bool HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult) override;

private:
    CTimeRulesEditor m_editor{*this};
};
