// Recent blocks: the journal's blocks, newest first, with their time, profile, site, reason,
// connection and program. Administrators see every profile's; anyone else only those of the
// profile in force.
#pragma once

#include <string>

#include "gui/admin/SkinnedScreen.h"
#include "gui/framework/Controls.h"

class CRecentBlocksDlg : public CSkinnedScreen {
public:
    CRecentBlocksDlg(CWnd* pParent, bool bAllProfiles, std::string strProfile);

protected:
    void OnScreenInit() override;
    void DoDataExchange(CDataExchange& dx) override;

private:
    void AddColumns();
    void FillList();

    CListCtrl m_list;
    bool m_bAllProfiles;
    std::string m_strProfile;
};
