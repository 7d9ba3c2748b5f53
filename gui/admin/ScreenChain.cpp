#include "gui/admin/ScreenChain.h"

#include <string>

#include "Api/PolicyApi.h"
#include "gui/admin/AdminScreenDlg.h"
#include "gui/admin/ModifyProfileDlg.h"
#include "gui/admin/Operations.h"
#include "gui/admin/ProfileEditState.h"
#include "gui/admin/ScreenResult.h"
#include "gui/app/GuiLog.h"
#include "gui/framework/MessageBox.h"
#include "gui/policy/CategoryPolicyDlg.h"
#include "gui/policy/TimePolicyDlg.h"
#include "gui/policy/URLPolicyDlg.h"
#include "gui/res/resource.h"
#include "gui/users/SelectUserDlg.h"
#include "gui/users/UserInfoDlg.h"

namespace {

template <class Screen>
int Run() {
    Screen screen;
    return static_cast<int>(screen.DoModal());
}

// The screen of nCode, run to its end; -1 when nCode names no screen or it could not be
// made.
int RunScreen(int nCode) {
    switch (nCode) {
        case screens::kCreateUser:
            return Run<CUserInfoDlg>();
        case screens::kAdvancedSettings:
            return Run<CURLPolicyDlg>();
        case screens::kCategoriesSettings:
            return Run<CCategoryPolicyDlg>();
        case screens::kSelectUser:
            return Run<CSelectUserDlg>();
        case screens::kAdministration:
            return Run<CAdminScreenDlg>();
        case screens::kProfileEditor:
            return Run<CModifyProfileDlg>();
        case screens::kTimeSettings:
            return Run<CTimePolicyDlg>();
        default:
            return -1;
    }
}

bool IsKnownResult(int nCode) {
    switch (nCode) {
        case screens::kHide:
        case screens::kShowLogin:
        case screens::kCreateUser:
        case screens::kAdvancedSettings:
        case screens::kCategoriesSettings:
        case screens::kSelectUser:
        case screens::kAdministration:
        case screens::kCreateTheUser:
        case screens::kProfileEditor:
        case screens::kTimeSettings:
            return true;
        default:
            return false;
    }
}

// The wizard's end: the new user, then his lists. Back to the Administration screen either
// way; a failure is told once.
int CreateTheUser(HWND hOwner) {
    CProfileEditState& state = gProfileEditState;
    if (CreateUser(state.profileName, state.newPassword, state.newUserGroup) != 1) {
        gGuiLog.Write(std::string("CreateUser Failed ") + GetLastErrorMessage(), 1);
        ShowMessageBox(hOwner, LoadResourceString(IDS_CREATE_USER_FAILED), MB_OK);
        return screens::kAdministration;
    }
    const bool bSaved = WriteProfileLists(state, false);
    createInProgress = 0;
    ShowMessageBox(hOwner, FormatResourceString(IDS_USER_CREATED, state.profileName),
                   MB_OK | MB_ICONINFORMATION);
    if (!bSaved) {
        // The account exists, but not the rules chosen for it.
        ShowMessageBox(hOwner, FormatResourceString(IDS_SETTINGS_NOT_SAVED, GetLastErrorMessage()),
                       MB_OK | MB_ICONSTOP);
    }
    return screens::kAdministration;
}

}  // namespace

int RunAdministrationScreens(HWND hLogin) {
    int nCode = screens::kAdministration;
    for (;;) {
        if (nCode == screens::kHide || nCode == screens::kShowLogin) {
            return nCode;
        }
        if (nCode == screens::kCreateTheUser) {
            nCode = CreateTheUser(hLogin);
            continue;
        }
        const int nResult = RunScreen(nCode);
        if (IsKnownResult(nResult)) {
            nCode = nResult;
            continue;
        }
        gGuiLog.Write("OnSettings :: screen " + std::to_string(nCode) + " ended with " +
                          std::to_string(nResult) + ", back to the Administration screen",
                      1);
        // Without an Administration screen there is nowhere to go back to.
        nCode = nCode == screens::kAdministration ? screens::kShowLogin : screens::kAdministration;
    }
}
