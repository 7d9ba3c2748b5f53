// Recent blocks: the journal's blocks, newest first, with their time, profile, site, reason,
// connection and program. Administrators see every profile's; anyone else only those of the
// profile in force. The selected row's whole reason shows below the list, and a time block's
// row opens "Give more time" for its profile.
#pragma once

#include <string>
#include <vector>

#include "gui/admin/SkinnedScreen.h"
#include "gui/framework/Controls.h"
#include "gui/framework/MessageMap.h"

class CRecentBlocksDlg : public CSkinnedScreen {
public:
    CRecentBlocksDlg(CWnd* pParent, bool bAllProfiles, std::string strProfile);

protected:
    void OnScreenInit() override;
    void DoDataExchange(CDataExchange& dx) override;
    bool HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult) override;

private:
    static const CMessageEntry<CRecentBlocksDlg> kMessageMap[];

    void AddColumns();
    void FillList();
    struct Row {
        std::string strReason;
        std::string strTimeBlockProfile;  // the profile of a time block; empty for others
    };
    // The selected row; null when none is.
    const Row* SelectedRow() const;
    LRESULT OnSelectionChanged(NMHDR& header);
    LRESULT OnDoubleClick(NMHDR& header);
    void OnGiveTime();

    CListCtrl m_list;
    std::vector<Row> m_rows;
    bool m_bAllProfiles;
    std::string m_strProfile;
};
