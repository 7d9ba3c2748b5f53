// A fresh installation for tests that load FilterLsp.dll (and so PolicyApi.dll): made by the
// installation tool in a temporary folder, with only level 1 log records kept (unless told
// otherwise), removed at the end. Create it before the first socket call, since the DLLs read it
// when they load. Tests that use it carry the resource lock "product_registry".
#pragma once

#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "tests/support/TempPath.h"
#include "win/UniqueHandle.h"

class CQuietInstallation {
public:
    explicit CQuietInstallation(int iLogLevel = 1) : m_folder("install") {
        std::filesystem::create_directories(m_folder.Path());
        // No trailing backslash inside the quotes: it would escape the closing quote.
        m_bInstalled = RunInstaller("install --force --log-level " + std::to_string(iLogLevel) +
                                    " --folder \"" + m_folder.String() + "\"") == 0;
        if (!m_bInstalled) {
            std::fprintf(stderr, "pcinstall failed for %s\n", Folder().c_str());
        }
    }
    CQuietInstallation(const CQuietInstallation&) = delete;
    CQuietInstallation& operator=(const CQuietInstallation&) = delete;
    ~CQuietInstallation() { RunInstaller("uninstall --folder \"" + m_folder.String() + "\""); }

    bool Installed() const { return m_bInstalled; }
    // With its trailing backslash.
    std::string Folder() const { return m_folder.String() + "\\"; }

    // The installation tool beside the programs that load the filter.
    static DWORD RunInstaller(const std::string& strArgs) {
        char szPath[MAX_PATH];
        ::GetModuleFileNameA(nullptr, szPath, MAX_PATH);
        const auto tool =
            std::filesystem::path(szPath).parent_path().parent_path() / "bin" / "pcinstall.exe";
        std::string strCommand = "\"" + tool.string() + "\" " + strArgs;
        STARTUPINFOA si = {};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi = {};
        if (!::CreateProcessA(nullptr, strCommand.data(), nullptr, nullptr, FALSE, 0, nullptr,
                              nullptr, &si, &pi)) {
            return ::GetLastError();
        }
        ::CloseHandle(pi.hThread);
        const CHandle process(pi.hProcess);
        ::WaitForSingleObject(process.Get(), 60000);
        DWORD dwCode = 1;
        ::GetExitCodeProcess(process.Get(), &dwCode);
        return dwCode;
    }

private:
    CTempPath m_folder;
    bool m_bInstalled = false;
};
