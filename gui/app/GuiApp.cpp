#include "gui/app/GuiApp.h"

#include <string>

#include "Api/PolicyApi.h"
#include "gui/app/GuiLog.h"
#include "gui/app/ProgramWindow.h"
#include "gui/app/StartupEntry.h"
#include "gui/framework/MessageBox.h"
#include "gui/login/LoginDlg.h"
#include "gui/res/resource.h"
#include "gui/setup/AdminPasswordDlg.h"

namespace {

constexpr char kInstanceMutexName[] = "ParentalControl";
// An installer that starts the program may still be finishing its own writes.
constexpr DWORD kInstallSettleMs = 500;

}  // namespace

CGuiApp::CGuiApp() noexcept : CWinApp("Parental Control") {}

BOOL CGuiApp::InitInstance() {
    gGuiLog.SetFileName("GuiCallLog");
    gGuiLog.Write(std::string("CGuiApp::InitInstance :: Command line is ") + CommandLine(), 2);
    const CommandWord word = ClassifyCommandLine(CommandLine());
    WorkBeforeMutex(word);

    m_mutex.Reset(::CreateMutexA(nullptr, TRUE, kInstanceMutexName));
    if (::GetLastError() == ERROR_ALREADY_EXISTS) {
        if (word == CommandWord::kCheckInstance) {
            ShowMessageBox(nullptr, LoadResourceString(IDS_CLOSE_APPLICATION),
                           MB_OK | MB_ICONEXCLAMATION);
        } else {
            BringRunningCopyForward();
        }
        return FALSE;
    }
    if (word == CommandWord::kCheckInstance) {
        LetAnotherCopyStart();
        return FALSE;
    }
    EnableControls();
    gGuiLog.SetFileName("GuiLogFile");
    RunMainDialog(word);
    return FALSE;
}

void CGuiApp::WorkBeforeMutex(CommandWord word) {
    switch (word) {
        case CommandWord::kBlank:
            gGuiLog.Write("Blank CommandLine", 3);
            break;
        case CommandWord::kStartUp:
            gGuiLog.Write("StartUp CommandLine", 3);
            gGuiLog.Write("InitInstance :: Before RenameFiles", 4);
            RenameFiles();
            gGuiLog.Write("InitInstance :: After RanameFiles", 4);
            break;
        case CommandWord::kInstall:
            gGuiLog.Write("Install CommandLine", 3);
            ::Sleep(kInstallSettleMs);
            break;
        case CommandWord::kUnInstall:
            gGuiLog.Write("UnInstall CommandLine", 3);
            break;
        default:
            break;
    }
}

void CGuiApp::BringRunningCopyForward() {
    // The running copy stored its current dialog here; 0 if it has shown none yet. A page of
    // the profile editor cannot come forward by itself: its editor does.
    const HWND hWnd = gActiveWindow != nullptr ? ::GetAncestor(gActiveWindow, GA_ROOT) : nullptr;
    if (hWnd != nullptr) {
        ::SetForegroundWindow(hWnd);
        ::ShowWindow(hWnd, SW_SHOWNORMAL);
    }
}

void CGuiApp::RunMainDialog(CommandWord word) {
    if (word == CommandWord::kInstall || word == CommandWord::kUnInstall) {
        CAdminPasswordDlg dialog;
        dialog.m_bInstall = word == CommandWord::kInstall ? 1 : 0;
        m_pMainWnd = &dialog;
        dialog.DoModal();
    } else {
        CLoginDlg dialog;
        m_pMainWnd = &dialog;
        dialog.DoModal();
    }
    m_pMainWnd = nullptr;
}

void CGuiApp::LetAnotherCopyStart() noexcept {
    if (m_mutex) {
        ::ReleaseMutex(m_mutex.Get());
        m_mutex.Reset();
    }
}

int CGuiApp::ExitInstance() {
    WriteStartupEntry();
    LetAnotherCopyStart();
    return CWinApp::ExitInstance();
}

BOOL CGuiApp::OnIdle(LONG lCount) {
    CWinApp::OnIdle(lCount);
    return FALSE;
}

void CGuiApp::OnUnhandledException(const char* szWhat) noexcept {
    CWinApp::OnUnhandledException(szWhat);
    try {
        gGuiLog.Write(std::string("XXXXXX Exception XXXXXX ") + szWhat, 1);
    } catch (...) {
        // Nothing more to do: the log could not take the record.
    }
}
