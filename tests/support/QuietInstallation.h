// A fresh installation for tests that load FilterLsp.dll (and so PolicyApi.dll): made by the
// installation tool in a temporary folder, with only level 1 log records kept (unless told
// otherwise), removed at the end. Create it before the first socket call, since the DLLs read it
// when they load. Tests that use it carry the resource lock "product_registry".
#pragma once

#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "tests/support/ChildProcess.h"
#include "tests/support/TempPath.h"

class CQuietInstallation {
public:
    // Compat: "StrictFilter" 0, the filter's judgement as it has always been.
    enum class Filtering { kCompat, kStrict };

    explicit CQuietInstallation(int iLogLevel = 1, Filtering filtering = Filtering::kCompat)
        : m_folder("install") {
        std::filesystem::create_directories(m_folder.Path());
        // No trailing backslash inside the quotes: it would escape the closing quote.
        m_bInstalled = RunInstaller("install --force --log-level " + std::to_string(iLogLevel) +
                                    (filtering == Filtering::kCompat ? " --compat" : "") +
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
        const auto tool = std::filesystem::path(CChildProcess::Beside("pcinstall.exe"))
                              .parent_path()
                              .parent_path() /
                          "bin" / "pcinstall.exe";
        return CChildProcess(tool.string(), strArgs).Wait();
    }

private:
    CTempPath m_folder;
    bool m_bInstalled = false;
};
