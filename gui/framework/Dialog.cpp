#include "gui/framework/Dialog.h"

#include <exception>

#include "gui/framework/DataExchange.h"
#include "gui/framework/WinApp.h"

CDialog::~CDialog() {
    DestroyWindow();
}

INT_PTR CDialog::DoModal() {
    m_bModeless = false;
    return ::DialogBoxParamA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(m_nIdTemplate),
                             OwnerWindow(), &DialogProc, reinterpret_cast<LPARAM>(this));
}

bool CDialog::Create(CWnd* pParent) {
    m_pParentWnd = pParent;
    m_bModeless = true;
    const HWND hWnd =
        ::CreateDialogParamA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(m_nIdTemplate),
                             pParent != nullptr ? pParent->GetSafeHwnd() : nullptr, &DialogProc,
                             reinterpret_cast<LPARAM>(this));
    return hWnd != nullptr;
}

void CDialog::EndDialog(INT_PTR nResult) noexcept {
    if (m_hWnd != nullptr) {
        ::EndDialog(m_hWnd, nResult);
    }
}

void CDialog::DestroyWindow() noexcept {
    if (m_bModeless && m_hWnd != nullptr && ::IsWindow(m_hWnd)) {
        ::DestroyWindow(m_hWnd);
    }
}

HWND CDialog::OwnerWindow() const noexcept {
    if (m_pParentWnd != nullptr) {
        return m_pParentWnd->GetSafeHwnd();
    }
    const CWinApp* pApp = CWinApp::Current();
    const CWnd* pMain = pApp != nullptr ? pApp->m_pMainWnd : nullptr;
    return pMain != nullptr && pMain != this ? pMain->GetSafeHwnd() : nullptr;
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hWnd, UINT uMsg, WPARAM, LPARAM lParam) {
    if (uMsg != WM_INITDIALOG) {
        // Everything after initialisation reaches WindowProc through the subclass first;
        // what it passes on gets the dialog manager's default handling.
        return FALSE;
    }
    auto* pDialog = reinterpret_cast<CDialog*>(lParam);
    pDialog->SubclassWindow(hWnd);
    try {
        return pDialog->OnInitDialog();
    } catch (const std::exception& e) {
        ReportUnhandledException(e.what());
    } catch (...) {
        ReportUnhandledException("unknown exception");
    }
    return TRUE;
}

BOOL CDialog::OnInitDialog() {
    UpdateData(false);
    return TRUE;
}

void CDialog::OnOK() {
    if (UpdateData(true)) {
        EndDialog(IDOK);
    }
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

void CDialog::DoDataExchange(CDataExchange&) {}

bool CDialog::UpdateData(bool bSaveAndValidate) {
    CDataExchange dx(*this, bSaveAndValidate);
    DoDataExchange(dx);
    return true;
}

bool CDialog::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult) {
    if (uMsg != WM_COMMAND || HIWORD(wParam) != BN_CLICKED) {
        return false;
    }
    // Enter and Escape come as clicks of IDOK and IDCANCEL, with or without such a button.
    if (LOWORD(wParam) == IDOK) {
        OnOK();
    } else if (LOWORD(wParam) == IDCANCEL) {
        OnCancel();
    } else {
        return false;
    }
    (void)lParam;
    lResult = 0;
    return true;
}

LRESULT CDialog::WindowProc(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    LRESULT lResult = 0;
    if (ReflectToChild(uMsg, wParam, lParam, lResult) ||
        HandleMessage(uMsg, wParam, lParam, lResult)) {
        return lResult;
    }
    return Default(uMsg, wParam, lParam);
}
