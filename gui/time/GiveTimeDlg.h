// Give more time: a parent adds 15, 30 or 60 minutes to a profile's internet time today, or
// allows it until a time today, with an administrator's password proved as for any change
// of the settings. Opened from the tray menu for the profile in force, and from a time
// block's row in Recent blocks for that block's profile; any profile can be chosen.
#pragma once

#include <string>
#include <vector>

#include "gui/admin/SkinnedScreen.h"
#include "gui/framework/Controls.h"
#include "gui/framework/MessageMap.h"
#include "gui/portable/TimeGrant.h"

class CGiveTimeDlg : public CSkinnedScreen {
public:
    static constexpr size_t kPasswordMax = 20;

    CGiveTimeDlg(CWnd* pParent, std::string strProfile);

protected:
    void OnScreenInit() override;
    void OnOK() override;
    void OnCancel() override;
    void OnCloseBox() override;
    void DoDataExchange(CDataExchange& dx) override;
    bool HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult) override;

private:
    static const CMessageEntry<CGiveTimeDlg> kMessageMap[];

    void FillNames();
    void FillUntilTimes();
    // The chosen profile's time now, below its name.
    void ShowState();
    void ChooseRadio(int nId);
    void ChooseUntil();
    GrantChoice Choice() const;
    // Proves the chosen administrator's password; false after telling why not.
    bool Prove();
    // Asks the library for the grant; false after telling why it was not given.
    bool Grant();

    CComboBox m_profileList;
    CComboBox m_adminList;
    CComboBox m_untilList;
    CEdit m_passwordEdit;
    std::string m_strProfile;
    std::string m_strAdmin;
    std::string m_strPassword;
    std::string m_strState;
    std::vector<int> m_untilMinutes;
    // The logged-in administrator, whose own proof is kept after a grant: the choice of
    // administrator is then his alone. Empty when none is logged in.
    std::string m_strLoggedInAdmin;
};
