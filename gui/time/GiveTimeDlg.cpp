#include "gui/time/GiveTimeDlg.h"

#include "Api/PolicyApi.h"
#include "Api/portable/TimeRules.h"
#include "gui/admin/ProfileEditState.h"
#include "gui/app/GuiLog.h"
#include "gui/app/UserNameList.h"
#include "gui/framework/DataExchange.h"
#include "gui/framework/MessageBox.h"
#include "gui/login/PasswordRefusal.h"
#include "gui/portable/TimeTray.h"
#include "gui/res/resource.h"
#include "gui/time/TimeTray.h"

namespace {

// What a profile's time is now, as the tray's tooltip says it, without the name.
std::string StateText(const std::string& strProfile) {
    const std::optional<TimeLook> look = LookAtTime(strProfile);
    if (!look) {
        return "";
    }
    return TimeTooltip(*look).substr(strProfile.size() + 2);
}

}  // namespace

const CMessageEntry<CGiveTimeDlg> CGiveTimeDlg::kMessageMap[] = {
    MapCommand(IDC_GIVE_PROFILE, &CGiveTimeDlg::ShowState, CBN_SELCHANGE),
    MapCommand(IDC_GIVE_UNTIL_TIME, &CGiveTimeDlg::ChooseUntil, CBN_SELCHANGE),
};

CGiveTimeDlg::CGiveTimeDlg(CWnd* pParent, std::string strProfile)
    : CSkinnedScreen(IDD_GIVE_TIME, IDB_CREATE_USER, pParent), m_strProfile(std::move(strProfile)) {
    // An administrator is logged in while the group says so; a logout sets it to a user's.
    if (gProfileEditState.loggedInGroup == 1 || gProfileEditState.loggedInGroup == 2) {
        m_strLoggedInAdmin = gProfileEditState.loggedInUser;
    }
}

bool CGiveTimeDlg::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult) {
    return DispatchMessageMap(*this, kMessageMap, uMsg, wParam, lParam, lResult) ||
           CSkinnedScreen::HandleMessage(uMsg, wParam, lParam, lResult);
}

void CGiveTimeDlg::DoDataExchange(CDataExchange& dx) {
    dx.Control(IDC_GIVE_PROFILE, m_profileList);
    dx.Control(IDC_GIVE_ADMIN, m_adminList);
    dx.Control(IDC_GIVE_UNTIL_TIME, m_untilList);
    dx.Control(IDC_GIVE_PASSWORD, m_passwordEdit);
    dx.ComboText(IDC_GIVE_PROFILE, m_strProfile);
    dx.ComboText(IDC_GIVE_ADMIN, m_strAdmin);
    dx.Text(IDC_GIVE_PASSWORD, m_strPassword, kPasswordMax);
}

void CGiveTimeDlg::OnScreenInit() {
    FillNames();
    FillUntilTimes();
    ChooseRadio(IDC_GIVE_15);
    UpdateData(false);
    ShowState();
    if (!m_strLoggedInAdmin.empty()) {
        m_adminList.EnableWindow(false);
    }
    // After the dialog has given the focus to its first control: the parent starts typing.
    PostMessage(WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(m_passwordEdit.GetSafeHwnd()), TRUE);
}

// Every profile (Default first, as the library lists them) and the administrators: the
// logged-in one, else the first the library lists (the super administrator of an
// installation).
void CGiveTimeDlg::FillNames() {
    const CUserNameList names;
    for (int i = 0; i < names.Count(); ++i) {
        m_profileList.AddString(names[i]);
        if (IsAdmin(names[i]) == 1) {
            m_adminList.AddString(names[i]);
            if (m_strAdmin.empty()) {
                m_strAdmin = names[i];
            }
        }
    }
    if (!m_strLoggedInAdmin.empty()) {
        m_strAdmin = m_strLoggedInAdmin;
    }
}

void CGiveTimeDlg::FillUntilTimes() {
    SYSTEMTIME now = {};
    ::GetLocalTime(&now);
    m_untilMinutes = UntilChoices(now.wHour * 60 + now.wMinute);
    const int iFirst = FirstUntilChoice(m_untilMinutes);
    for (size_t i = 0; i < m_untilMinutes.size(); ++i) {
        m_untilList.AddString(MinuteText(m_untilMinutes[i]));
        if (m_untilMinutes[i] == iFirst) {
            m_untilList.SetCurSel(static_cast<int>(i));
        }
    }
}

void CGiveTimeDlg::ShowState() {
    UpdateData(true);
    SetStaticText(IDC_GIVE_STATE, StateText(m_strProfile));
}

void CGiveTimeDlg::ChooseRadio(int nId) {
    ::CheckRadioButton(m_hWnd, IDC_GIVE_15, IDC_GIVE_UNTIL, nId);
}

// A time chosen is a choice of "until".
void CGiveTimeDlg::ChooseUntil() {
    ChooseRadio(IDC_GIVE_UNTIL);
}

GrantChoice CGiveTimeDlg::Choice() const {
    if (::IsDlgButtonChecked(m_hWnd, IDC_GIVE_30) == BST_CHECKED) {
        return GrantChoice::kMinutes30;
    }
    if (::IsDlgButtonChecked(m_hWnd, IDC_GIVE_60) == BST_CHECKED) {
        return GrantChoice::kMinutes60;
    }
    if (::IsDlgButtonChecked(m_hWnd, IDC_GIVE_UNTIL) == BST_CHECKED) {
        return GrantChoice::kUntil;
    }
    return GrantChoice::kMinutes15;
}

void CGiveTimeDlg::OnOK() {
    UpdateData(true);
    if (m_strPassword.empty()) {
        MessageBoxById(IDS_ENTER_PASSWORD, MB_OK | MB_ICONEXCLAMATION);
        m_passwordEdit.SetFocus();
        return;
    }
    if (!Prove()) {
        return;
    }
    const bool bGiven = Grant();
    // The password allowed this grant, nothing more: a process where someone else is logged
    // in keeps no administrator's proof.
    if (::lstrcmpiA(m_strAdmin.c_str(), m_strLoggedInAdmin.c_str()) != 0) {
        EndProof();
    }
    if (!bGiven) {
        return;
    }
    MessageBox(
        FormatResourceString(IDS_GIVE_TIME_GIVEN, m_strProfile + ": " + StateText(m_strProfile)),
        MB_OK | MB_ICONINFORMATION);
    EndDialog(IDOK);
}

bool CGiveTimeDlg::Prove() {
    if (ValidatePassword(m_strAdmin.c_str(), m_strPassword.c_str()) == 1) {
        return true;
    }
    ShowPasswordRefusal(*this, IDS_INVALID_PASSWORD);
    m_passwordEdit.SetFocus();
    m_passwordEdit.SelectAll();
    return false;
}

bool CGiveTimeDlg::Grant() {
    TimeState now{};
    GetTimeState(m_strProfile.c_str(), &now);
    const int nUntil = m_untilList.GetCurSel();
    const int iUntil = nUntil >= 0 && static_cast<size_t>(nUntil) < m_untilMinutes.size()
                           ? m_untilMinutes[static_cast<size_t>(nUntil)]
                           : -1;
    const std::optional<GrantRequest> request = GrantFor(Choice(), iUntil, now.iMinute, now.iLeft);
    if (!request) {
        MessageBoxById(IDS_GIVE_TIME_PASSED, MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    if (GrantTime(m_strProfile.c_str(), request->iMinutes,
                  request->strUntil.empty() ? nullptr : request->strUntil.c_str()) != 1) {
        const std::string strError = GetLastErrorMessage();
        gGuiLog.Write("CGiveTimeDlg :: GrantTime failed: " + strError, 1);
        MessageBox(FormatResourceString(IDS_GIVE_TIME_FAILED, strError), MB_OK | MB_ICONSTOP);
        return false;
    }
    gGuiLog.Write("CGiveTimeDlg :: " + m_strProfile + " given " +
                      std::to_string(request->iMinutes) + " minutes" +
                      (request->strUntil.empty() ? "" : ", until " + request->strUntil),
                  1);
    return true;
}

void CGiveTimeDlg::OnCancel() {
    EndDialog(IDCANCEL);
}

void CGiveTimeDlg::OnCloseBox() {
    EndDialog(IDCANCEL);
}
