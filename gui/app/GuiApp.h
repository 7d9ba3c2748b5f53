// The settings program: reads its command line, keeps one copy running, shows one modal
// dialog (the login window, or the administrator password dialog for an installer) and
// ends when that dialog closes, writing its Run entry.
#pragma once

#include "gui/framework/WinApp.h"
#include "gui/portable/CommandLine.h"
#include "win/UniqueHandle.h"

class CGuiApp : public CWinApp {
public:
    CGuiApp() noexcept;

    BOOL InitInstance() override;
    int ExitInstance() override;
    BOOL OnIdle(LONG lCount) override;
    void OnUnhandledException(const char* szWhat) noexcept override;

private:
    static void WorkBeforeMutex(CommandWord word);
    static void BringRunningCopyForward();
    // Lets another copy of the program start: the single-instance mutex released and closed.
    void LetAnotherCopyStart() noexcept;
    void RunMainDialog(CommandWord word);

    CHandle m_mutex;
};
