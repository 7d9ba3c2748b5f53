#include "gui/users/UserChecks.h"

#include "gui/framework/Controls.h"
#include "gui/res/resource.h"

namespace {

bool IsAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsAsciiDigit(char c) {
    return c >= '0' && c <= '9';
}

void Empty(CEdit& edit, std::string& strText) {
    strText.clear();
    edit.SetWindowText(strText);
}

}  // namespace

bool IsValidUserName(const std::string& strName) {
    if (strName.empty() || strName.size() > kUserNameMax) {
        return false;
    }
    bool bLetter = false;
    for (const char c : strName) {
        if (IsAsciiLetter(c)) {
            bLetter = true;
        } else if (!IsAsciiDigit(c)) {
            return false;
        }
    }
    return bLetter;
}

bool CheckNewPassword(const CWnd& screen, CEdit& passwordEdit, CEdit& confirmEdit,
                      std::string& strPassword, std::string& strConfirm, UINT nIdEmpty) {
    if (strPassword.empty()) {
        screen.MessageBoxById(nIdEmpty, MB_OK | MB_ICONEXCLAMATION);
        passwordEdit.SetFocus();
        return false;
    }
    // Accounts hold passwords of at most kUserPasswordMax characters. The edits take no more
    // from the keyboard, but another program can set a longer text.
    const bool bTooLong = strPassword.size() > kUserPasswordMax;
    if (bTooLong || strPassword != strConfirm) {
        screen.MessageBoxById(bTooLong ? IDS_INVALID_PASSWORD : IDS_PASSWORD_NOT_CONFIRMED,
                              MB_OK | MB_ICONEXCLAMATION);
        Empty(confirmEdit, strConfirm);
        Empty(passwordEdit, strPassword);
        passwordEdit.SetFocus();
        return false;
    }
    return true;
}
