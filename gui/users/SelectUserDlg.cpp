#include "gui/users/SelectUserDlg.h"

#include <cstring>

#include "Api/PolicyApi.h"
#include "gui/admin/Operations.h"
#include "gui/admin/ProfileEditState.h"
#include "gui/admin/ScreenResult.h"
#include "gui/app/GuiLog.h"
#include "gui/app/UserNameList.h"
#include "gui/framework/DataExchange.h"
#include "gui/framework/MessageBox.h"
#include "gui/res/resource.h"
#include "gui/users/UserChecks.h"

namespace {

// The library's error code for a name no live account has.
constexpr int kUserNotFound = 3;

UINT DescriptionOf(const char* szName) {
    if (IsAdmin(szName) == 1) {
        return IsSuperAdmin(szName) == 1 ? IDS_SUPER_ADMINISTRATOR : IDS_ADMINISTRATOR;
    }
    return std::strcmp(szName, "Default") == 0 ? IDS_DEFAULT_DESCRIPTION : IDS_USER;
}

}  // namespace

const CMessageEntry<CSelectUserDlg> CSelectUserDlg::kMessageMap[] = {
    MapCommand(IDC_SELECT_EDIT, &CSelectUserDlg::OnEdit),
    MapCommand(IDC_SELECT_DELETE, &CSelectUserDlg::OnDelete),
    MapCommand(IDC_SELECT_CANCEL, &CSelectUserDlg::OnPrevious),
};

CSelectUserDlg::CSelectUserDlg(CWnd* pParent)
    : CSkinnedScreen(IDD_SELECT_USER, IDB_SELECT_USER, pParent) {}

bool CSelectUserDlg::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult) {
    return DispatchMessageMap(*this, kMessageMap, uMsg, wParam, lParam, lResult) ||
           CSkinnedScreen::HandleMessage(uMsg, wParam, lParam, lResult);
}

void CSelectUserDlg::DoDataExchange(CDataExchange& dx) {
    dx.Control(IDC_SELECT_LIST, m_userList);
}

void CSelectUserDlg::OnScreenInit() {
    m_userList.SetExtendedStyle(LVS_EX_FULLROWSELECT);
    const int cxHalf = static_cast<int>(m_userList.GetClientRect().right / 2);
    m_userList.InsertColumn(0, "UserName", cxHalf);
    m_userList.InsertColumn(1, "Description", cxHalf);
    FillUserList();
}

// Every user but the first the library lists (the Default profile of a fresh installation),
// the first row selected.
void CSelectUserDlg::FillUserList() {
    const CUserNameList names;
    if (!names.Ok()) {
        gGuiLog.Write("GetAllUsers Failed", 1);
        gGuiLog.Write(GetLastErrorMessage(), 1);
        MessageBoxById(IDS_SELECT_USER_TAMPERED, MB_OK | MB_ICONSTOP);
        return;
    }
    for (int i = 1; i < names.Count(); ++i) {
        const int nRow = m_userList.InsertItem(m_userList.GetItemCount(), names[i]);
        m_userList.SetItemText(nRow, 1, LoadResourceString(DescriptionOf(names[i])));
    }
    if (m_userList.GetItemCount() > 0) {
        m_userList.SetItemState(0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    }
}

int CSelectUserDlg::SelectedRow() {
    const int nRow = m_userList.GetNextItem(-1, LVNI_SELECTED);
    if (nRow < 0) {
        MessageBoxById(IDS_SELECT_USER, MB_OK | MB_ICONEXCLAMATION);
    }
    return nRow;
}

void CSelectUserDlg::OnEdit() {
    gGuiLog.Write("CSelectUserDlg::OnNext() ", 1);
    const int nRow = SelectedRow();
    if (nRow < 0) {
        return;
    }
    const std::string strName = m_userList.GetItemText(nRow, 0);
    // Cut to fit the profile name, it would name another account, or none: the editor
    // would write that one's lists.
    if (strName.size() > kUserNameMax) {
        gGuiLog.Write("CSelectUserDlg::OnNext() :: name too long to edit: " + strName, 1);
        MessageBoxById(IDS_INVALID_USER_NAME, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    CopyToField(gProfileEditState.profileName, strName);
    ReadProfile(gProfileEditState);
    EndDialog(screens::kProfileEditor);
}

void CSelectUserDlg::OnDelete() {
    const int nRow = SelectedRow();
    if (nRow < 0) {
        return;
    }
    const std::string strName = m_userList.GetItemText(nRow, 0);
    CopyToField(gProfileEditState.profileName, strName);
    if (IsSuperAdmin(strName.c_str()) == 1) {
        MessageBoxById(IDS_CANNOT_DELETE_SUPER_USER, MB_OK | MB_ICONSTOP);
        return;
    }
    if (::lstrcmpiA(strName.c_str(), gProfileEditState.loggedInUser) == 0) {
        MessageBoxById(IDS_CANNOT_DELETE_SELF, MB_OK | MB_ICONSTOP);
        return;
    }
    const std::string strQuestion = LoadResourceString(IDS_DELETE_USER_PROMPT) + strName + "?";
    if (MessageBox(strQuestion, MB_YESNO | MB_ICONQUESTION,
                   LoadResourceString(IDS_CONFIRMATION).c_str()) != IDYES) {
        return;
    }
    if (DeleteUser(strName.c_str()) != 1) {
        const std::string strError = GetLastErrorMessage();
        gGuiLog.Write("CSelectUserDlg :: DeleteUser Failed " + strError, 1);
        // A user someone else removed meanwhile is gone all the same; any other failure
        // leaves the account, and its row, in place.
        if (strError != GetErrorMessage(kUserNotFound)) {
            MessageBox(strError, MB_OK | MB_ICONEXCLAMATION);
            return;
        }
    }
    m_userList.DeleteItem(nRow);
}

void CSelectUserDlg::OnPrevious() {
    gGuiLog.Write("CSelectUserDlg::OnPrevious()", 1);
    EndDialog(screens::kAdministration);
}

void CSelectUserDlg::OnOK() {
    // Enter opens the selected user's profile, as "Edit" does.
    OnEdit();
}

void CSelectUserDlg::OnCancel() {
    OnPrevious();
}
