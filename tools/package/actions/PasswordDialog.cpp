#include "tools/package/actions/PasswordDialog.h"

#include <string>

#include "tools/package/actions/PasswordDialogIds.h"

namespace {

// As the settings program's password fields.
constexpr int kPasswordMax = 20;

struct DialogState {
    HINSTANCE hResources;
    std::wstring* pPassword;
};

std::wstring LoadText(HINSTANCE hResources, UINT nId) {
    const wchar_t* pText = nullptr;
    // With a zero length the call gives a pointer to the resource's own text.
    const int nLength = ::LoadStringW(hResources, nId, reinterpret_cast<LPWSTR>(&pText), 0);
    return nLength > 0 ? std::wstring(pText, static_cast<size_t>(nLength)) : std::wstring();
}

void Warn(HWND hDialog, const DialogState& state, UINT nText) {
    ::MessageBoxW(hDialog, LoadText(state.hResources, nText).c_str(),
                  LoadText(state.hResources, IDS_NEWPW_TITLE).c_str(), MB_OK | MB_ICONEXCLAMATION);
}

std::wstring ItemText(HWND hDialog, int nId) {
    wchar_t szText[kPasswordMax + 1] = {};
    ::GetDlgItemTextW(hDialog, nId, szText, kPasswordMax + 1);
    std::wstring strText = szText;
    ::SecureZeroMemory(szText, sizeof szText);
    return strText;
}

void Forget(std::wstring& strText) {
    ::SecureZeroMemory(strText.data(), strText.size() * sizeof(wchar_t));
}

// OK: the password is kept and the dialog ends only when both fields agree.
void OnOk(HWND hDialog, const DialogState& state) {
    std::wstring strPassword = ItemText(hDialog, IDC_NEWPW_PASSWORD);
    std::wstring strConfirm = ItemText(hDialog, IDC_NEWPW_CONFIRM);
    if (strPassword.empty()) {
        Warn(hDialog, state, IDS_NEWPW_ENTER);
    } else if (strPassword != strConfirm) {
        Warn(hDialog, state, IDS_NEWPW_NOT_CONFIRMED);
        ::SetDlgItemTextW(hDialog, IDC_NEWPW_PASSWORD, L"");
        ::SetDlgItemTextW(hDialog, IDC_NEWPW_CONFIRM, L"");
    } else {
        *state.pPassword = std::move(strPassword);
        Forget(strConfirm);
        ::EndDialog(hDialog, IDOK);
        return;
    }
    Forget(strPassword);
    Forget(strConfirm);
    ::SetFocus(::GetDlgItem(hDialog, IDC_NEWPW_PASSWORD));
}

INT_PTR CALLBACK DialogProc(HWND hDialog, UINT uMessage, WPARAM wParam, LPARAM lParam) {
    switch (uMessage) {
        case WM_INITDIALOG:
            ::SetWindowLongPtrW(hDialog, DWLP_USER, lParam);
            ::SetDlgItemTextW(hDialog, IDC_NEWPW_NAME, L"admin");
            ::SendDlgItemMessageW(hDialog, IDC_NEWPW_PASSWORD, EM_LIMITTEXT, kPasswordMax, 0);
            ::SendDlgItemMessageW(hDialog, IDC_NEWPW_CONFIRM, EM_LIMITTEXT, kPasswordMax, 0);
            // The name is fixed: the person starts with the password.
            ::SetFocus(::GetDlgItem(hDialog, IDC_NEWPW_PASSWORD));
            return FALSE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK) {
                OnOk(hDialog,
                     *reinterpret_cast<DialogState*>(::GetWindowLongPtrW(hDialog, DWLP_USER)));
                return TRUE;
            }
            if (LOWORD(wParam) == IDCANCEL) {
                ::EndDialog(hDialog, IDCANCEL);
                return TRUE;
            }
            return FALSE;
        default:
            return FALSE;
    }
}

}  // namespace

bool AskNewAdminPassword(HWND hOwner, HINSTANCE hResources, std::wstring& strPassword) {
    DialogState state{hResources, &strPassword};
    return ::DialogBoxParamW(hResources, MAKEINTRESOURCEW(IDD_NEW_PASSWORD), hOwner, DialogProc,
                             reinterpret_cast<LPARAM>(&state)) == IDOK;
}
