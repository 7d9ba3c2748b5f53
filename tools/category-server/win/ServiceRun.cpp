#include "tools/category-server/win/ServiceRun.h"

#include <windows.h>

#include <exception>
#include <mutex>
#include <string>

#include "tools/category-server/win/ServerRun.h"
#include "tools/category-server/win/ServiceNames.h"
#include "win/UniqueHandle.h"

namespace {

// The service's one state, reported from its main thread and from the control handler.
class CServiceState {
public:
    void Attach(SERVICE_STATUS_HANDLE hStatus) { m_hStatus = hStatus; }
    void Report(DWORD dwState, DWORD dwExitCode = NO_ERROR, DWORD dwWaitHintMs = 0) {
        const std::lock_guard lock(m_lock);
        SERVICE_STATUS status{};
        status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
        status.dwCurrentState = dwState;
        status.dwControlsAccepted =
            dwState == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN : 0;
        status.dwWin32ExitCode = dwExitCode != NO_ERROR ? ERROR_SERVICE_SPECIFIC_ERROR : NO_ERROR;
        status.dwServiceSpecificExitCode = dwExitCode;
        status.dwCheckPoint =
            dwState == SERVICE_RUNNING || dwState == SERVICE_STOPPED ? 0 : ++m_dwCheckPoint;
        status.dwWaitHint = dwWaitHintMs;
        ::SetServiceStatus(m_hStatus, &status);
    }

private:
    std::mutex m_lock;
    SERVICE_STATUS_HANDLE m_hStatus = nullptr;
    DWORD m_dwCheckPoint = 0;
};

// The process serves one service; these live as long as it.
const CServerOptions* g_pOptions = nullptr;
CServiceState g_state;
CHandle g_stop;
CHandle g_reload;

DWORD WINAPI OnControl(DWORD dwControl, DWORD, void*, void*) {
    switch (dwControl) {
        case SERVICE_CONTROL_STOP:
        case SERVICE_CONTROL_SHUTDOWN:
            g_state.Report(SERVICE_STOP_PENDING, NO_ERROR, 30000);
            ::SetEvent(g_stop.Get());
            return NO_ERROR;
        case kReloadListsControl:
            ::SetEvent(g_reload.Get());
            return NO_ERROR;
        case SERVICE_CONTROL_INTERROGATE:
            return NO_ERROR;
        default:
            return ERROR_CALL_NOT_IMPLEMENTED;
    }
}

void WINAPI ServiceMain(DWORD, LPWSTR*) {
    const SERVICE_STATUS_HANDLE hStatus =
        ::RegisterServiceCtrlHandlerExW(kCategoryServiceName, OnControl, nullptr);
    if (hStatus == nullptr) {
        return;
    }
    g_state.Attach(hStatus);
    // Loading millions of entries takes a while; the manager is told to wait for it.
    g_state.Report(SERVICE_START_PENDING, NO_ERROR, 120000);
    int iExit = 1;
    try {
        iExit = RunServer(*g_pOptions, g_stop.Get(), "service control", [](unsigned) {
            g_state.Report(SERVICE_RUNNING);
            return g_reload.Get();
        });
    } catch (const std::exception&) {
        iExit = 1;
    }
    g_state.Report(SERVICE_STOPPED, static_cast<DWORD>(iExit));
}

}  // namespace

int RunAsService(const CServerOptions& options) {
    g_pOptions = &options;
    g_stop.Reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    g_reload.Reset(::CreateEventW(nullptr, FALSE, FALSE, nullptr));
    std::wstring name = kCategoryServiceName;
    const SERVICE_TABLE_ENTRYW table[] = {{name.data(), ServiceMain}, {nullptr, nullptr}};
    return ::StartServiceCtrlDispatcherW(table) ? 0 : static_cast<int>(::GetLastError());
}
