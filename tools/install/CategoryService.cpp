#include "tools/install/CategoryService.h"

#include <windows.h>

#include <aclapi.h>
#include <sddl.h>

#include <cstdlib>
#include <fstream>
#include <string_view>

#include "tools/category-server/win/ServiceNames.h"
#include "win/SameFile.h"
#include "win/ServiceHandle.h"
#include "win/UniqueHandle.h"
#include "win/WideText.h"

namespace {

constexpr DWORD kStartWaitMs = 120000;  // a first load of millions of entries
constexpr DWORD kStopWaitMs = 30000;

std::string WithTrailingBackslash(std::string strFolder) {
    if (!strFolder.empty() && strFolder.back() != '\\' && strFolder.back() != '/') {
        strFolder += '\\';
    }
    return strFolder;
}

// A path as one argument of a command line. No path here ends in a backslash, which would
// escape the closing quote.
std::string Quoted(const std::string& strPath) {
    return "\"" + strPath + "\"";
}

std::string SystemError(const std::string& strWhat) {
    return strWhat + " (error " + std::to_string(::GetLastError()) + ")";
}

// Waits while the service is in dwPending, at most dwMaxMs; false when it could not be
// asked.
bool WaitWhile(SC_HANDLE hService, DWORD dwPending, DWORD dwMaxMs, SERVICE_STATUS_PROCESS& status) {
    for (const ULONGLONG uEnd = ::GetTickCount64() + dwMaxMs;;) {
        DWORD dwNeeded = 0;
        if (!::QueryServiceStatusEx(hService, SC_STATUS_PROCESS_INFO,
                                    reinterpret_cast<BYTE*>(&status), sizeof status, &dwNeeded)) {
            return false;
        }
        if (status.dwCurrentState != dwPending || ::GetTickCount64() >= uEnd) {
            return true;
        }
        ::Sleep(100);
    }
}

// Nothing to copy when the tool installs into the folder it came in (a package's).
bool CopyInto(const std::string& strFrom, const std::string& strTo, std::string& strError) {
    if (SameFile(strFrom, strTo)) {
        return true;
    }
    if (!::CopyFileA(strFrom.c_str(), strTo.c_str(), FALSE)) {
        strError = SystemError("cannot copy " + strFrom + " to " + strTo);
        return false;
    }
    return true;
}

bool CopyProgramAndLists(const CCategoryServiceSetup& setup, std::string& strError) {
    const std::string strTools = WithTrailingBackslash(setup.strToolFolder);
    const std::string strLists = CategoryFolder(setup.strFolder);
    if (!CopyInto(strTools + kCategoryServerProgram,
                  WithTrailingBackslash(setup.strFolder) + kCategoryServerProgram, strError)) {
        return false;
    }
    if (!::CreateDirectoryA(strLists.c_str(), nullptr) &&
        ::GetLastError() != ERROR_ALREADY_EXISTS) {
        strError = SystemError("cannot create " + strLists);
        return false;
    }
    if (!CopyInto(strTools + "category-db.txt", strLists + "category-db.txt", strError)) {
        return false;
    }
    // The map of downloaded lists' category names, when this copy of the tool has one.
    const std::string strMap = strTools + "list-map.txt";
    return ::GetFileAttributesA(strMap.c_str()) == INVALID_FILE_ATTRIBUTES ||
           CopyInto(strMap, strLists + "list-map.txt", strError);
}

// LocalService reads the lists and writes its log in the folder of lists, whatever the
// installation folder lets ordinary accounts do.
bool GrantLocalService(const std::string& strLists, std::string& strError) {
    BYTE sid[SECURITY_MAX_SID_SIZE];
    DWORD nSid = sizeof sid;
    if (!::CreateWellKnownSid(WinLocalServiceSid, nullptr, sid, &nSid)) {
        strError = SystemError("cannot name LocalService");
        return false;
    }
    const std::wstring path = Widen(strLists);
    ACL* pOldAcl = nullptr;  // points into descriptor
    CLocalMemory<void> descriptor;
    DWORD dwResult =
        ::GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                                nullptr, &pOldAcl, nullptr, descriptor.Put());
    EXPLICIT_ACCESS_W access{};
    access.grfAccessPermissions = FILE_GENERIC_READ | FILE_GENERIC_WRITE | FILE_GENERIC_EXECUTE;
    access.grfAccessMode = GRANT_ACCESS;
    access.grfInheritance = SUB_CONTAINERS_AND_OBJECTS_INHERIT;
    access.Trustee.TrusteeForm = TRUSTEE_IS_SID;
    access.Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
    access.Trustee.ptstrName = reinterpret_cast<wchar_t*>(sid);
    CLocalMemory<ACL> newAcl;
    if (dwResult == ERROR_SUCCESS) {
        dwResult = ::SetEntriesInAclW(1, &access, pOldAcl, newAcl.Put());
    }
    if (dwResult == ERROR_SUCCESS) {
        dwResult = ::SetNamedSecurityInfoW(const_cast<wchar_t*>(path.c_str()), SE_FILE_OBJECT,
                                           DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                           newAcl.Get(), nullptr);
    }
    if (dwResult != ERROR_SUCCESS) {
        strError =
            "cannot let LocalService use " + strLists + " (error " + std::to_string(dwResult) + ")";
        return false;
    }
    return true;
}

std::string CommandLine(const CCategoryServiceSetup& setup) {
    const std::string strFolder = WithTrailingBackslash(setup.strFolder);
    std::string strLists = CategoryFolder(setup.strFolder);
    strLists.pop_back();
    return Quoted(strFolder + kCategoryServerProgram) + " --service --catalogue " +
           Quoted(strLists) + " --address " + setup.strListen + " --port " +
           std::to_string(setup.uPort) + " --log " + Quoted(CategoryServerLog(setup.strFolder));
}

// Restarted after a failure, a few seconds later: a family's filter depends on it.
void DescribeAndRestartOnFailure(SC_HANDLE hService) {
    wchar_t szText[] =
        L"Answers the parental-control filter's category lookups from the lists "
        L"in the installation's Categories folder.";
    SERVICE_DESCRIPTIONW description{szText};
    ::ChangeServiceConfig2W(hService, SERVICE_CONFIG_DESCRIPTION, &description);
    SC_ACTION actions[3] = {
        {SC_ACTION_RESTART, 5000}, {SC_ACTION_RESTART, 5000}, {SC_ACTION_RESTART, 60000}};
    SERVICE_FAILURE_ACTIONSW failure{};
    failure.dwResetPeriod = 86400;
    failure.cActions = 3;
    failure.lpsaActions = actions;
    ::ChangeServiceConfig2W(hService, SERVICE_CONFIG_FAILURE_ACTIONS, &failure);
}

// The port of the last "listening on ADDRESS:PORT: ..." line of the service's log: the one
// its current start wrote. 0 when there is none.
unsigned LoggedPort(const std::string& strLog) {
    std::ifstream log(strLog);
    constexpr std::string_view kListening = "listening on ";
    unsigned uPort = 0;
    for (std::string strLine; std::getline(log, strLine);) {
        const size_t at = strLine.find(kListening);
        const size_t colon =
            at == std::string::npos ? std::string::npos : strLine.find(':', at + kListening.size());
        if (colon != std::string::npos) {
            uPort = static_cast<unsigned>(std::strtoul(strLine.c_str() + colon + 1, nullptr, 10));
        }
    }
    return uPort;
}

// A service started on port 0 took a free one: it keeps that port from now on.
bool KeepChosenPort(SC_HANDLE hService, CCategoryServiceSetup& setup, std::string& strError) {
    setup.uPort = LoggedPort(CategoryServerLog(setup.strFolder));
    const std::wstring command = Widen(CommandLine(setup));
    if (setup.uPort == 0 || !::ChangeServiceConfigW(hService, SERVICE_NO_CHANGE, SERVICE_NO_CHANGE,
                                                    SERVICE_NO_CHANGE, command.c_str(), nullptr,
                                                    nullptr, nullptr, nullptr, nullptr, nullptr)) {
        strError = SystemError("cannot keep the port the service chose");
        return false;
    }
    return true;
}

bool RegisterAndStart(CCategoryServiceSetup& setup, std::string& strError) {
    const CServiceHandle manager(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CREATE_SERVICE));
    if (!manager) {
        strError = SystemError("cannot open the service manager");
        return false;
    }
    const std::wstring command = Widen(CommandLine(setup));
    const CServiceHandle service(::CreateServiceW(
        manager.Get(), kCategoryServiceName, kCategoryServiceName, SERVICE_ALL_ACCESS,
        SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START, SERVICE_ERROR_NORMAL, command.c_str(),
        nullptr, nullptr, nullptr, L"NT AUTHORITY\\LocalService", L""));
    if (!service) {
        strError = SystemError("cannot create the service");
        return false;
    }
    DescribeAndRestartOnFailure(service.Get());
    SERVICE_STATUS_PROCESS status{};
    if (!::StartServiceW(service.Get(), 0, nullptr) ||
        !WaitWhile(service.Get(), SERVICE_START_PENDING, kStartWaitMs, status)) {
        strError = SystemError("cannot start the service");
        return false;
    }
    if (status.dwCurrentState != SERVICE_RUNNING) {
        strError = "the service did not start (state " + std::to_string(status.dwCurrentState) +
                   ", exit code " + std::to_string(status.dwServiceSpecificExitCode) + "); see " +
                   CategoryServerLog(setup.strFolder);
        return false;
    }
    return setup.uPort != 0 || KeepChosenPort(service.Get(), setup, strError);
}

}  // namespace

std::string CategoryFolder(const std::string& strFolder) {
    return WithTrailingBackslash(strFolder) + kCategoryFolderName + "\\";
}

std::string CategoryServerLog(const std::string& strFolder) {
    return CategoryFolder(strFolder) + kCategoryServerLogName;
}

bool InstallCategoryService(CCategoryServiceSetup& setup, std::string& strError) {
    return RemoveCategoryService(strError) && CopyProgramAndLists(setup, strError) &&
           GrantLocalService(CategoryFolder(setup.strFolder), strError) &&
           RegisterAndStart(setup, strError);
}

bool RemoveCategoryService(std::string& strError) {
    const CServiceHandle manager(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager) {
        strError = SystemError("cannot open the service manager");
        return false;
    }
    const CServiceHandle service(::OpenServiceW(manager.Get(), kCategoryServiceName,
                                                SERVICE_STOP | SERVICE_QUERY_STATUS | DELETE));
    if (!service) {
        if (::GetLastError() == ERROR_SERVICE_DOES_NOT_EXIST) {
            return true;
        }
        strError = SystemError("cannot open the service");
        return false;
    }
    SERVICE_STATUS stopped{};
    SERVICE_STATUS_PROCESS status{};
    if (::ControlService(service.Get(), SERVICE_CONTROL_STOP, &stopped)) {
        WaitWhile(service.Get(), SERVICE_STOP_PENDING, kStopWaitMs, status);
        WaitWhile(service.Get(), SERVICE_RUNNING, kStopWaitMs, status);
    }
    if (!::DeleteService(service.Get()) && ::GetLastError() != ERROR_SERVICE_MARKED_FOR_DELETE) {
        strError = SystemError("cannot remove the service");
        return false;
    }
    return true;
}

ReloadOutcome ReloadCategoryService(std::string& strError) {
    const CServiceHandle manager(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    const CServiceHandle service(
        manager ? ::OpenServiceW(manager.Get(), kCategoryServiceName, SERVICE_USER_DEFINED_CONTROL)
                : nullptr);
    if (!service) {
        const DWORD dwError = ::GetLastError();
        strError = SystemError("cannot open the service");
        return dwError == ERROR_SERVICE_DOES_NOT_EXIST ? ReloadOutcome::kNotRunning
                                                       : ReloadOutcome::kFailed;
    }
    SERVICE_STATUS status{};
    if (!::ControlService(service.Get(), kReloadListsControl, &status)) {
        const DWORD dwError = ::GetLastError();
        strError = SystemError("cannot ask the service to reload");
        return dwError == ERROR_SERVICE_NOT_ACTIVE ? ReloadOutcome::kNotRunning
                                                   : ReloadOutcome::kFailed;
    }
    return ReloadOutcome::kReloading;
}
