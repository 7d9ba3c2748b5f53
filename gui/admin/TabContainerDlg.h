// The tabs of the profile editor: a row of tab buttons over the pages they show, one page
// at a time.
#pragma once

#include <vector>

#include "gui/controls/XPButton.h"
#include "gui/framework/Dialog.h"

class CTabContainerDlg : public CDialog {
public:
    explicit CTabContainerDlg(CWnd* pParent = nullptr);

    // The next tab, numbered from 0: its page and its button, both children of this dialog.
    void Add(CDialog& page, CXPButton& button);
    // Puts the buttons in a row and every page under them; shows the first page only.
    void Arrange();

    static constexpr int kTabWidth = 100;
    static constexpr int kTabHeight = 21;
    // Where the row of tabs starts, and the pages' place and size under it.
    static constexpr POINT kFirstTab = {14, 18};
    static constexpr RECT kPageRect = {14, 41, 14 + 463, 41 + 339};

protected:
    bool HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult) override;
    // Enter and Escape inside a page are the editor's to handle, not the container's.
    void OnOK() override {}
    void OnCancel() override {}

private:
    struct CTab {
        CDialog* pPage;
        CXPButton* pButton;
    };

    void Select(size_t nTab);

    std::vector<CTab> m_tabs;
};
