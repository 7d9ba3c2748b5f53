// pcinstall: makes or removes an installation.
//   pcinstall install --folder DIR [--admin-password PW | --interactive] [--categories FILE]
//                     [--server-ip IP] [--server-port N] [--timeout N] [--log-level N]
//                     [--lsp DLL] [--gui EXE] [--force] [--compat]
//   pcinstall uninstall [--folder DIR] [--interactive] [--gui EXE]
// --lsp registers the filter DLL in the Winsock catalogue; uninstall always removes it.
// --interactive lets the settings program (Gui.exe beside this tool, or --gui) ask for the
// administrator's password: at installation it sets it, at removal it must be given. A person
// who cancels leaves things as they were, and the tool exits with 3.
// --compat installs with "StrictFilter" 0: requests are judged only the way the filter always
// has (non-overlapped, the request line and headers in one send, a connection's first request).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "tools/install/AdminPasswordStep.h"
#include "tools/install/Installer.h"
#include "tools/install/LayerInstaller.h"

namespace {

constexpr int kCancelled = 3;

int Usage() {
    std::fputs(
        "usage: pcinstall install --folder DIR [--admin-password PW | --interactive]\n"
        "                         [--categories FILE] [--server-ip IP] [--server-port N]\n"
        "                         [--timeout N] [--log-level N] [--lsp DLL] [--gui EXE]\n"
        "                         [--force] [--compat]\n"
        "       pcinstall uninstall [--folder DIR] [--interactive] [--gui EXE]\n",
        stderr);
    return 2;
}

// This tool's folder, with its backslash: the categories, the pictures and Gui.exe are there.
std::string ToolFolder() {
    char szPath[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, szPath, MAX_PATH);
    std::string strPath = szPath;
    return strPath.substr(0, strPath.find_last_of('\\') + 1);
}

// The exit code of an interactive step that did not accept.
int StepFailed(StepOutcome outcome, const std::string& strError) {
    std::fprintf(stderr, "pcinstall: %s\n", strError.c_str());
    return outcome == StepOutcome::kRefused ? kCancelled : 1;
}

std::wstring Widen(const std::string& strText) {
    std::wstring strWide(strText.size() + 1, L'\0');
    const int n = ::MultiByteToWideChar(CP_ACP, 0, strText.c_str(), -1, strWide.data(),
                                        static_cast<int>(strWide.size()));
    strWide.resize(n > 0 ? static_cast<size_t>(n - 1) : 0);
    return strWide;
}

bool ParseNumber(const char* szText, unsigned& uOut) {
    char* pEnd = nullptr;
    const unsigned long ul = std::strtoul(szText, &pEnd, 10);
    if (pEnd == szText || *pEnd != '\0' || ul > 0xFFFFFFFFul) {
        return false;
    }
    uOut = static_cast<unsigned>(ul);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        return Usage();
    }
    const std::string strCommand = argv[1];
    CInstallOptions options;
    options.strCategoryFile = ToolFolder() + "categories.txt";
    options.strImageFolder = ToolFolder();
    std::string strLsp;
    std::string strGui = ToolFolder() + "Gui.exe";
    bool bInteractive = false;
    for (int i = 2; i < argc; ++i) {
        const std::string strOption = argv[i];
        if (strOption == "--force") {
            options.bForce = true;
            continue;
        }
        if (strOption == "--interactive") {
            bInteractive = true;
            continue;
        }
        if (strOption == "--compat") {
            options.bStrict = false;
            continue;
        }
        if (i + 1 >= argc) {
            return Usage();
        }
        const char* szValue = argv[++i];
        bool bOk = true;
        if (strOption == "--folder") {
            options.strFolder = szValue;
        } else if (strOption == "--admin-password") {
            options.strAdminPassword = szValue;
        } else if (strOption == "--lsp") {
            strLsp = szValue;
        } else if (strOption == "--gui") {
            strGui = szValue;
        } else if (strOption == "--categories") {
            options.strCategoryFile = szValue;
        } else if (strOption == "--server-ip") {
            options.strServerIp = szValue;
        } else if (strOption == "--server-port") {
            bOk = ParseNumber(szValue, options.uServerPort) && options.uServerPort <= 65535;
        } else if (strOption == "--timeout") {
            bOk = ParseNumber(szValue, options.uTimeout);
        } else if (strOption == "--log-level") {
            bOk = ParseNumber(szValue, options.uLogLevel);
        } else {
            bOk = false;
        }
        if (!bOk) {
            std::fprintf(stderr, "pcinstall: bad option %s %s\n", strOption.c_str(), szValue);
            return Usage();
        }
    }

    if (bInteractive && !options.strAdminPassword.empty()) {
        std::fputs("pcinstall: --interactive asks for the password: no --admin-password\n", stderr);
        return Usage();
    }
    std::string strError;
    if (strCommand == "install") {
        if (!Install(options, strError)) {
            std::fprintf(stderr, "pcinstall: install failed: %s\n", strError.c_str());
            return 1;
        }
        if (bInteractive) {
            const StepOutcome outcome = RunAdminPasswordStep(strGui, true, strError);
            if (outcome != StepOutcome::kAccepted) {
                std::string strIgnored;
                Uninstall(options.strFolder, strIgnored);
                return StepFailed(outcome, strError);
            }
        }
        if (!strLsp.empty() && !InstallLayer(Widen(strLsp), strError)) {
            std::fprintf(stderr, "pcinstall: registering %s failed: %s\n", strLsp.c_str(),
                         strError.c_str());
            return 1;
        }
        std::printf("pcinstall: installed in %s\n", options.strFolder.c_str());
        return 0;
    }
    if (strCommand == "uninstall") {
        if (bInteractive) {
            const StepOutcome outcome = RunAdminPasswordStep(strGui, false, strError);
            if (outcome != StepOutcome::kAccepted) {
                return StepFailed(outcome, strError);
            }
        }
        if (!RemoveLayer(strError) || !Uninstall(options.strFolder, strError)) {
            std::fprintf(stderr, "pcinstall: uninstall failed: %s\n", strError.c_str());
            return 1;
        }
        std::printf("pcinstall: removed\n");
        return 0;
    }
    return Usage();
}
