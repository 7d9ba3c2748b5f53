// The program's one application object: InitInstance decides what the run does, Run pumps
// messages when InitInstance asks for it, and ExitInstance ends every run.
#pragma once

#include <windows.h>

class CWnd;

class CWinApp {
public:
    // The object registers itself as the program's application; there is one.
    explicit CWinApp(const char* szAppName) noexcept;
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;
    virtual ~CWinApp();

    static CWinApp* Current() noexcept;

    // Called by WinMain: InitInstance, then Run when it returned true, else ExitInstance.
    // Returns the exit code.
    int Main(HINSTANCE hInstance, const char* szCommandLine) noexcept;

    // True to go on into the message loop.
    virtual BOOL InitInstance() { return FALSE; }
    // The exit code of the run.
    virtual int ExitInstance() { return 0; }
    // Called when the message queue is empty; true for more idle time.
    virtual BOOL OnIdle(LONG /*lCount*/) { return FALSE; }
    virtual int Run();
    // An exception stopped at a window procedure or at Main.
    virtual void OnUnhandledException(const char* szWhat) noexcept;

    const char* AppName() const noexcept { return m_szAppName; }
    HINSTANCE Instance() const noexcept { return m_hInstance; }
    // The command line after the program's name and the blanks that follow it.
    const char* CommandLine() const noexcept { return m_szCommandLine; }

    // The window whose end ends the run; also the owner of dialogs that name no parent.
    CWnd* m_pMainWnd = nullptr;

protected:
    // The common controls the dialogs hold (list views among them).
    static void EnableControls() noexcept;

private:
    const char* m_szAppName;
    HINSTANCE m_hInstance = nullptr;
    const char* m_szCommandLine = "";
};

// Reports an exception that a boundary of the framework stopped.
void ReportUnhandledException(const char* szWhat) noexcept;
