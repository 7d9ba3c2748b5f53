// The package's custom actions: each runs the installation tool (pcinstall.exe, installed in
// the product's folder) and hands the administrator's password to it on its standard input,
// never on its command line, where other processes and the package's log could read it. The
// tool's output goes into the package's log.
//   CheckUninstallPassword  immediate, before anything is removed: the password (ADMINPASSWORD,
//                           or the settings program's dialog when there is a UI) must prove
//                           the administrator, else the uninstallation stops
//   InstallProduct          deferred: "FOLDER|CATEGORYSERVER|STRICTFILTER|PASSWORD"; the tool
//                           refuses to install without a password unless it keeps the settings
//   UninstallProduct        deferred: "FOLDER|UPGRADINGPRODUCTCODE", and as the rollback of
//                           InstallProduct: "FOLDER|OLDERVERSIONFOUND"
//   MarkUpgrade             immediate, in a newer package before it removes the older one
//   AskAdminPassword        immediate, in the user-interface sequence of an installation
//                           without ADMINPASSWORD: the parent chooses the password there
// An older version's removal by a newer package (a major upgrade) asks for no password and
// keeps the settings. Windows tells that removal so with UPGRADINGPRODUCTCODE; Wine's msi sets
// no such property (it removes the older product with "msiexec /qn /i CODE REMOVE=ALL"), so
// the newer package also leaves a mark, the product key's subkey "Upgrading", which counts for
// ten minutes and which its installation takes away again.
#include <windows.h>

#include <msi.h>
#include <msiquery.h>

#include <string>
#include <utility>
#include <vector>

#include "tools/package/actions/PasswordDialog.h"
#include "win/ProcessHandles.h"
#include "win/RegKey.h"
#include "win/UniqueHandle.h"
#include "win/WideText.h"

namespace {

// A person types the password into the settings program's dialog; the other steps are bounded.
constexpr DWORD kToolWaitMs = 10 * 60 * 1000;
// Full and reduced UI (INSTALLUILEVEL_FULL, _REDUCED): a person is there to be asked.
constexpr int kUiLevelWithDialogs = 4;
constexpr char kUpgradeMarkKey[] = "Software\\Tarnwell\\Parental Control\\Upgrading";
constexpr ULONGLONG kUpgradeMarkLifetime = 10ull * 60 * 10000000;  // in FILETIME units

std::wstring Property(MSIHANDLE hInstall, const wchar_t* szName) {
    DWORD cch = 0;
    wchar_t szEmpty[1] = L"";
    if (::MsiGetPropertyW(hInstall, szName, szEmpty, &cch) != ERROR_MORE_DATA) {
        return std::wstring();
    }
    std::wstring strValue(static_cast<size_t>(cch) + 1, L'\0');
    cch = static_cast<DWORD>(strValue.size());
    if (::MsiGetPropertyW(hInstall, szName, strValue.data(), &cch) != ERROR_SUCCESS) {
        return std::wstring();
    }
    strValue.resize(cch);
    return strValue;
}

void Log(MSIHANDLE hInstall, const std::wstring& strLine) {
    PMSIHANDLE hRecord = ::MsiCreateRecord(1);
    ::MsiRecordSetStringW(hRecord, 0, (L"PackageActions: " + strLine).c_str());
    ::MsiProcessMessage(hInstall, INSTALLMESSAGE_INFO, hRecord);
}

// The fields of a deferred action's data; the last takes the rest, '|' included, since a
// password may hold any character.
std::vector<std::wstring> Fields(const std::wstring& strData, size_t nFields) {
    std::vector<std::wstring> fields;
    size_t nStart = 0;
    while (fields.size() + 1 < nFields) {
        const size_t nBar = strData.find(L'|', nStart);
        if (nBar == std::wstring::npos) {
            break;
        }
        fields.push_back(strData.substr(nStart, nBar - nStart));
        nStart = nBar + 1;
    }
    fields.push_back(strData.substr(nStart));
    fields.resize(nFields);
    return fields;
}

std::wstring WithBackslash(std::wstring strFolder) {
    if (!strFolder.empty() && strFolder.back() != L'\\') {
        strFolder += L'\\';
    }
    return strFolder;
}

// The password as the tool reads it: the library compares bytes, and the settings program
// passes them as typed, in the system's code page.
std::string CodePageText(const std::wstring& strText) {
    const int cb = ::WideCharToMultiByte(
        CP_ACP, 0, strText.c_str(), static_cast<int>(strText.size()), nullptr, 0, nullptr, nullptr);
    std::string strOut(static_cast<size_t>(cb > 0 ? cb : 0), '\0');
    if (cb > 0) {
        ::WideCharToMultiByte(CP_ACP, 0, strText.c_str(), static_cast<int>(strText.size()),
                              strOut.data(), cb, nullptr, nullptr);
    }
    return strOut;
}

std::wstring Quoted(const std::wstring& strText) {
    return L"\"" + strText + L"\"";
}

// Sends each line the tool writes to the package's log, until it closes its output.
void LogOutput(MSIHANDLE hInstall, HANDLE hRead) {
    std::string strPending;
    char buffer[512];
    DWORD cbRead = 0;
    while (::ReadFile(hRead, buffer, sizeof buffer, &cbRead, nullptr) && cbRead != 0) {
        strPending.append(buffer, cbRead);
        for (size_t nEnd; (nEnd = strPending.find('\n')) != std::string::npos;) {
            std::string strLine = strPending.substr(0, nEnd);
            strPending.erase(0, nEnd + 1);
            if (!strLine.empty() && strLine.back() == '\r') {
                strLine.pop_back();
            }
            Log(hInstall, Widen(strLine));
        }
    }
    if (!strPending.empty()) {
        Log(hInstall, Widen(strPending));
    }
}

bool MakePipe(CHandle& hRead, CHandle& hWrite, bool bChildReads) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE hR = nullptr;
    HANDLE hW = nullptr;
    if (!::CreatePipe(&hR, &hW, &inherit, 0)) {
        return false;
    }
    hRead.Reset(hR);
    hWrite.Reset(hW);
    // Only the child's end is inherited.
    ::SetHandleInformation(bChildReads ? hW : hR, HANDLE_FLAG_INHERIT, 0);
    return true;
}

// Runs "FOLDER\pcinstall.exe ARGUMENTS" with the password (when given) as its first line of
// input. The tool's exit code, or -1 when it could not run.
int RunTool(MSIHANDLE hInstall, const std::wstring& strFolder, const std::wstring& strArguments,
            std::wstring strPassword) {
    CHandle hInRead, hInWrite, hOutRead, hOutWrite;
    if (!MakePipe(hInRead, hInWrite, true) || !MakePipe(hOutRead, hOutWrite, false)) {
        Log(hInstall, L"cannot make the tool's pipes");
        return -1;
    }
    const std::wstring strTool = strFolder + L"pcinstall.exe";
    std::wstring strCommand = Quoted(strTool) + L" " + strArguments;
    Log(hInstall, L"runs pcinstall.exe " + strArguments);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = hInRead.Get();
    startup.hStdOutput = hOutWrite.Get();
    startup.hStdError = hOutWrite.Get();
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(strTool.c_str(), strCommand.data(), nullptr, nullptr, TRUE,
                          CREATE_NO_WINDOW, nullptr, strFolder.c_str(), &startup, &process)) {
        Log(hInstall, L"cannot start " + strTool + L": error " + std::to_wstring(::GetLastError()));
        return -1;
    }
    const CProcessHandles handles = OwnProcessHandles(process);
    hInRead.Reset();
    hOutWrite.Reset();
    std::string strInput = CodePageText(strPassword) + "\n";
    ::SecureZeroMemory(strPassword.data(), strPassword.size() * sizeof(wchar_t));
    DWORD cbWritten = 0;
    ::WriteFile(hInWrite.Get(), strInput.data(), static_cast<DWORD>(strInput.size()), &cbWritten,
                nullptr);
    ::SecureZeroMemory(strInput.data(), strInput.size());
    hInWrite.Reset();
    LogOutput(hInstall, hOutRead.Get());
    DWORD dwExit = 0;
    if (::WaitForSingleObject(handles.process.Get(), kToolWaitMs) != WAIT_OBJECT_0 ||
        !::GetExitCodeProcess(handles.process.Get(), &dwExit)) {
        Log(hInstall, L"pcinstall.exe did not finish");
        return -1;
    }
    Log(hInstall, L"pcinstall.exe exited with " + std::to_wstring(dwExit));
    return static_cast<int>(dwExit);
}

UINT Outcome(int iExit) {
    return iExit == 0 ? ERROR_SUCCESS : ERROR_INSTALL_FAILURE;
}

bool WithDialogs(const std::wstring& strUiLevel) {
    return _wtoi(strUiLevel.c_str()) >= kUiLevelWithDialogs;
}

// A newer package's mark, made in the last ten minutes (the key's last write time).
bool UpgradeUnderWay() {
    HKEY hKey = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUpgradeMarkKey, 0, KEY_READ | KEY_WOW64_64KEY,
                        &hKey) != ERROR_SUCCESS) {
        return false;
    }
    const CRegKey key(hKey);
    FILETIME written{};
    if (::RegQueryInfoKeyA(key.Get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                           nullptr, nullptr, nullptr, &written) != ERROR_SUCCESS) {
        return false;
    }
    FILETIME now{};
    ::GetSystemTimeAsFileTime(&now);
    const auto ticks = [](const FILETIME& time) {
        return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    };
    return ticks(now) >= ticks(written) && ticks(now) - ticks(written) < kUpgradeMarkLifetime;
}

bool RemovedByUpgrade(MSIHANDLE hInstall, const std::wstring& strUpgradingCode) {
    if (strUpgradingCode.empty() && !UpgradeUnderWay()) {
        return false;
    }
    Log(hInstall, L"removed by a newer version's installation: no password, settings kept");
    return true;
}

}  // namespace

extern "C" {

UINT __stdcall CheckUninstallPassword(MSIHANDLE hInstall) {
    if (RemovedByUpgrade(hInstall, Property(hInstall, L"UPGRADINGPRODUCTCODE"))) {
        return ERROR_SUCCESS;
    }
    const std::wstring strFolder = WithBackslash(Property(hInstall, L"INSTALLFOLDER"));
    std::wstring strPassword = Property(hInstall, L"ADMINPASSWORD");
    if (strPassword.empty() && WithDialogs(Property(hInstall, L"UILevel"))) {
        return Outcome(RunTool(hInstall, strFolder, L"check-password --interactive", L""));
    }
    if (strPassword.empty()) {
        Log(hInstall, L"a silent uninstallation needs ADMINPASSWORD, the administrator's password");
        return ERROR_INSTALL_FAILURE;
    }
    const int iExit =
        RunTool(hInstall, strFolder, L"check-password --password-stdin", std::move(strPassword));
    if (iExit != 0) {
        Log(hInstall, L"the administrator's password was refused: nothing is removed");
    }
    return Outcome(iExit);
}

UINT __stdcall InstallProduct(MSIHANDLE hInstall) {
    std::vector<std::wstring> fields = Fields(Property(hInstall, L"CustomActionData"), 4);
    if (fields[0].empty()) {
        Log(hInstall, L"no installation folder in the action's data");
        return ERROR_INSTALL_FAILURE;
    }
    const std::wstring strFolder = WithBackslash(fields[0]);
    const std::wstring& strServers = fields[1];
    std::wstring strArguments = L"install --password-stdin --folder " +
                                Quoted(strFolder.substr(0, strFolder.size() - 1)) + L" --lsp " +
                                Quoted(strFolder + L"FilterLsp.dll") + L" --lsp32 " +
                                Quoted(strFolder + L"x86\\FilterLsp.dll") + L" --keep-settings";
    strArguments +=
        strServers.empty() ? L" --category-service" : L" --category-server " + Quoted(strServers);
    if (fields[2] == L"0") {
        strArguments += L" --compat";
    }
    // The password comes from ADMINPASSWORD or the package's own dialog, never from a window
    // of this action's: it runs as LocalSystem, in session 0 on Windows, where none would
    // reach the person.
    std::wstring strPassword = fields[3];
    ::SecureZeroMemory(fields[3].data(), fields[3].size() * sizeof(wchar_t));
    const int iExit = RunTool(hInstall, strFolder, strArguments, std::move(strPassword));
    if (iExit == 0) {
        ::RegDeleteKeyExA(HKEY_LOCAL_MACHINE, kUpgradeMarkKey, KEY_WOW64_64KEY, 0);
    }
    return Outcome(iExit);
}

UINT __stdcall UninstallProduct(MSIHANDLE hInstall) {
    const std::vector<std::wstring> fields = Fields(Property(hInstall, L"CustomActionData"), 2);
    if (fields[0].empty()) {
        Log(hInstall, L"no installation folder in the action's data");
        return ERROR_INSTALL_FAILURE;
    }
    const std::wstring strFolder = WithBackslash(fields[0]);
    std::wstring strArguments =
        L"uninstall --folder " + Quoted(strFolder.substr(0, strFolder.size() - 1));
    // The old package's removal in a major upgrade: the new one installs around what it keeps.
    if (RemovedByUpgrade(hInstall, fields[1])) {
        strArguments += L" --keep-settings";
    }
    return Outcome(RunTool(hInstall, strFolder, strArguments, L""));
}

// In the parent's own session, before anything is installed; the property carries the password
// (hidden, as a secure property) to the tool's run as a system action.
UINT __stdcall AskAdminPassword(MSIHANDLE hInstall) {
    if (!Property(hInstall, L"ADMINPASSWORD").empty()) {
        return ERROR_SUCCESS;
    }
    HMODULE hModule = nullptr;
    ::GetModuleHandleExW(
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        reinterpret_cast<LPCWSTR>(&AskAdminPassword), &hModule);
    std::wstring strPassword;
    if (!AskNewAdminPassword(::GetForegroundWindow(), hModule, strPassword)) {
        Log(hInstall, L"no administrator's password chosen: nothing is installed");
        return ERROR_INSTALL_USEREXIT;
    }
    const UINT uResult = ::MsiSetPropertyW(hInstall, L"ADMINPASSWORD", strPassword.c_str());
    ::SecureZeroMemory(strPassword.data(), strPassword.size() * sizeof(wchar_t));
    return uResult == ERROR_SUCCESS ? ERROR_SUCCESS : ERROR_INSTALL_FAILURE;
}

// Never fails the installation: where the mark cannot be made, the system's own
// UPGRADINGPRODUCTCODE still tells the older package (Windows sets it).
UINT __stdcall MarkUpgrade(MSIHANDLE hInstall) {
    const CRegKey key = CreateRegKey(HKEY_LOCAL_MACHINE, kUpgradeMarkKey, KEY_SET_VALUE);
    const std::wstring strCode = Property(hInstall, L"ProductCode");
    if (!key || ::RegSetValueExW(
                    key.Get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(strCode.c_str()),
                    static_cast<DWORD>((strCode.size() + 1) * sizeof(wchar_t))) != ERROR_SUCCESS) {
        Log(hInstall, L"cannot mark the upgrade in the registry");
    }
    return ERROR_SUCCESS;
}

}  // extern "C"
