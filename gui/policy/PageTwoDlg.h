// The Advanced page of the profile editor: the allowed and blocked URL lists. The editor
// gives it its background and commits what it changes.
#pragma once

#include "gui/controls/SkinDialog.h"
#include "gui/policy/UrlListsEditor.h"

class CPageTwoDlg : public CSkinDialog {
public:
    explicit CPageTwoDlg(CWnd* pParent = nullptr);

protected:
    BOOL OnInitDialog() override;
    // Enter and Escape inside a page end nothing.
    void OnOK() override {}
    void OnCancel() override {}
    bool HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult) override;

private:
    CUrlListsEditor m_lists{*this};
};
