#include "gui/framework/WinApp.h"

#include <commctrl.h>

#include <exception>

namespace {

CWinApp* g_pApp = nullptr;

}  // namespace

CWinApp::CWinApp(const char* szAppName) noexcept : m_szAppName(szAppName) {
    g_pApp = this;
}

CWinApp::~CWinApp() {
    if (g_pApp == this) {
        g_pApp = nullptr;
    }
}

CWinApp* CWinApp::Current() noexcept {
    return g_pApp;
}

int CWinApp::Main(HINSTANCE hInstance, const char* szCommandLine) noexcept {
    m_hInstance = hInstance;
    m_szCommandLine = szCommandLine != nullptr ? szCommandLine : "";
    try {
        if (!InitInstance()) {
            return ExitInstance();
        }
        return Run();
    } catch (const std::exception& e) {
        OnUnhandledException(e.what());
    } catch (...) {
        OnUnhandledException("unknown exception");
    }
    return 1;
}

int CWinApp::Run() {
    MSG msg = {};
    LONG lIdleCount = 0;
    for (;;) {
        while (!::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            if (!OnIdle(lIdleCount++)) {
                break;
            }
        }
        const BOOL bGot = ::GetMessageA(&msg, nullptr, 0, 0);
        if (bGot == 0 || bGot == -1) {
            break;
        }
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
        lIdleCount = 0;
    }
    ExitInstance();
    return static_cast<int>(msg.wParam);
}

void CWinApp::OnUnhandledException(const char* szWhat) noexcept {
    ::OutputDebugStringA("Unhandled exception: ");
    ::OutputDebugStringA(szWhat);
    ::OutputDebugStringA("\n");
}

void CWinApp::EnableControls() noexcept {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);
}

void ReportUnhandledException(const char* szWhat) noexcept {
    if (g_pApp != nullptr) {
        g_pApp->OnUnhandledException(szWhat);
    }
}
