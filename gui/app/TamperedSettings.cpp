#include "gui/app/TamperedSettings.h"

#include "gui/app/GuiLog.h"
#include "gui/app/StartupEntry.h"
#include "gui/framework/MessageBox.h"
#include "gui/framework/WinApp.h"
#include "gui/framework/Wnd.h"
#include "gui/login/TrayIcon.h"
#include "gui/res/resource.h"

void EndForTamperedSettings(HWND hOwner) {
    gGuiLog.Write("Settings could not be read: the program ends", 1);
    ShowMessageBox(hOwner, LoadResourceString(IDS_CONFIGURATION_TAMPERED), MB_OK | MB_ICONSTOP);
    if (const CWinApp* pApp = CWinApp::Current(); pApp != nullptr && pApp->m_pMainWnd != nullptr) {
        CTrayIcon::Remove(pApp->m_pMainWnd->GetSafeHwnd(), IDR_TRAY_MENU);
    }
    WriteStartupEntry();
    ::ExitProcess(0);
}
