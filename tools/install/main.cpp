// pcinstall: makes or removes an installation, and adds lists to its category service.
//   pcinstall install --folder DIR [--admin-password PW | --interactive] [--categories FILE]
//                     [--server-ip IP] [--server-port N] [--timeout N] [--log-level N]
//                     [--lsp DLL [--lsp32 DLL]] [--gui EXE] [--force] [--compat]
//                     [--category-service [--category-address IP]] [--second-server IP:PORT]
//                     [--password-stdin] [--keep-settings] [--category-server A:P[,A:P]]
//   pcinstall uninstall [--folder DIR] [--interactive] [--gui EXE] [--keep-settings]
//   pcinstall check-password [--password-stdin | --interactive] [--gui EXE]
//   pcinstall categories add [FILE|DIR] [--hosts CATEGORY | --adblock CATEGORY |
//                     --domains CATEGORY] [--map FILE] [--folder DIR]
// --lsp registers the filter DLL in the Winsock catalogue, --lsp32 the 32-bit one in the
// catalogue of 32-bit programs too (where the system has one: else a warning); uninstall
// always removes both.
// --interactive lets the settings program (Gui.exe beside this tool, or --gui) ask for the
// administrator's password: at installation it sets it, at removal it must be given. A person
// who cancels leaves things as they were, and the tool exits with 3.
// --compat installs with "StrictFilter" 0: requests are judged only the way the filter always
// has (non-overlapped, the request line and headers in one send, a connection's first request).
// --category-service installs the category server beside the product as the service "Quillon
// Categories", listening on --server-ip (or --category-address, say 0.0.0.0 for a school's
// shared server) and --server-port (0: a free port it keeps, written to "TLVServerPort"), with
// its lists in the folder's Categories\; uninstall always removes it. --second-server writes
// "TLVServer2", the server the filter asks when the first does not answer; --category-server
// gives both servers at once (a school's shared service). "categories add" copies a downloaded
// list into Categories\ and has the service load its lists again.
// --password-stdin reads the administrator's password from the first line of the standard
// input, so that a package hands it over where no other process can read it. --keep-settings
// makes the two halves of an upgrade: install keeps an existing installation (configuration,
// settings, users) and asks no password, uninstall leaves them with the lists. check-password
// exits with 0 when the password proves the administrator "admin" (3 when not), for a
// package's uninstallation.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>

#include "Api/Library.h"
#include "Api/PolicyApi.h"
#include "Api/portable/ServerAddress.h"
#include "tools/install/AdminPasswordStep.h"
#include "tools/install/CategoryService.h"
#include "tools/install/Installer.h"
#include "tools/install/LayerInstaller.h"
#include "tools/install/portable/CategoryLists.h"
#include "win/ProductRegistry.h"
#include "win/RegKey.h"
#include "win/SameFile.h"
#include "win/WideText.h"

namespace {

constexpr int kCancelled = 3;

int Usage() {
    std::fputs(
        "usage: pcinstall install --folder DIR [--admin-password PW | --interactive]\n"
        "                         [--categories FILE] [--server-ip IP] [--server-port N]\n"
        "                         [--timeout N] [--log-level N] [--lsp DLL [--lsp32 DLL]]\n"
        "                         [--gui EXE]\n"
        "                         [--force] [--compat]\n"
        "                         [--category-service [--category-address IP]]\n"
        "                         [--second-server IP:PORT]\n"
        "                         [--password-stdin] [--keep-settings]\n"
        "                         [--category-server A:P[,A:P]]\n"
        "       pcinstall uninstall [--folder DIR] [--interactive] [--gui EXE] [--keep-settings]\n"
        "       pcinstall check-password [--password-stdin | --interactive] [--gui EXE]\n"
        "       pcinstall categories add [FILE|DIR] [--hosts CATEGORY | --adblock CATEGORY |\n"
        "                         --domains CATEGORY] [--map FILE] [--folder DIR]\n",
        stderr);
    return 2;
}

// This tool's folder, with its backslash: the categories, the pictures, Gui.exe and the
// category server are there.
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

bool ParseNumber(const char* szText, unsigned& uOut) {
    char* pEnd = nullptr;
    const unsigned long ul = std::strtoul(szText, &pEnd, 10);
    if (pEnd == szText || *pEnd != '\0' || ul > 0xFFFFFFFFul) {
        return false;
    }
    uOut = static_cast<unsigned>(ul);
    return true;
}

// A dotted IPv4 address:port, written back in its plain form.
bool ParseSecondServer(const char* szText, std::string& strOut) {
    const auto server = ParseServerAddress(szText);
    if (server) {
        strOut = FormatIpv4(server->uAddress) + ":" + std::to_string(server->uPort);
    }
    return server.has_value();
}

// "A:P[,A:P]": the category server the filter asks, and the one it asks when the first does
// not answer.
bool ParseCategoryServers(const std::string& strText, CInstallOptions& options) {
    const size_t nComma = strText.find(',');
    const auto first = ParseServerAddress(strText.substr(0, nComma));
    if (!first || first->uPort == 0) {
        return false;
    }
    options.strServerIp = FormatIpv4(first->uAddress);
    options.uServerPort = first->uPort;
    return nComma == std::string::npos ||
           ParseSecondServer(strText.substr(nComma + 1).c_str(), options.strSecondServer);
}

struct CCommandLine {
    CInstallOptions options;
    std::string strLsp;
    std::string strLsp32;
    std::string strGui = ToolFolder() + "Gui.exe";
    bool bInteractive = false;
    bool bCategoryService = false;
    bool bPasswordStdin = false;
    std::string strCategoryAddress;  // empty: --server-ip
};

bool ParseInstallOptions(int argc, char** argv, CCommandLine& line) {
    CInstallOptions& options = line.options;
    for (int i = 2; i < argc; ++i) {
        const std::string strOption = argv[i];
        if (strOption == "--force" || strOption == "--interactive" || strOption == "--compat" ||
            strOption == "--category-service" || strOption == "--password-stdin" ||
            strOption == "--keep-settings") {
            options.bForce |= strOption == "--force";
            line.bPasswordStdin |= strOption == "--password-stdin";
            options.bKeepSettings |= strOption == "--keep-settings";
            line.bInteractive |= strOption == "--interactive";
            options.bStrict &= strOption != "--compat";
            line.bCategoryService |= strOption == "--category-service";
            continue;
        }
        if (i + 1 >= argc) {
            return false;
        }
        const char* szValue = argv[++i];
        bool bOk = true;
        if (strOption == "--folder") {
            options.strFolder = szValue;
        } else if (strOption == "--admin-password") {
            options.strAdminPassword = szValue;
        } else if (strOption == "--lsp") {
            line.strLsp = szValue;
        } else if (strOption == "--lsp32") {
            line.strLsp32 = szValue;
        } else if (strOption == "--gui") {
            line.strGui = szValue;
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
        } else if (strOption == "--category-address") {
            line.strCategoryAddress = szValue;
            bOk = ParseIpv4(szValue).has_value();
        } else if (strOption == "--category-server") {
            bOk = ParseCategoryServers(szValue, options);
        } else if (strOption == "--second-server") {
            bOk = ParseSecondServer(szValue, options.strSecondServer);
        } else {
            bOk = false;
        }
        if (!bOk) {
            std::fprintf(stderr, "pcinstall: bad option %s %s\n", strOption.c_str(), szValue);
            return false;
        }
    }
    return true;
}

// Whether this tool lies in the installation's folder, as a package installs it.
bool ToolInFolder(std::string strFolder) {
    if (strFolder.empty()) {
        if (const CRegKey key = OpenProductKey()) {
            strFolder = ReadRegString(key.Get(), "Application").value_or(std::string());
        }
    }
    return !strFolder.empty() && SameFile(ToolFolder(), strFolder);
}

// What undoing this tool's installation removes: never the files of the package it came in.
CUninstallScope UndoScope(const CCommandLine& line) {
    CUninstallScope scope;
    scope.bKeepPackageFiles = ToolInFolder(line.options.strFolder);
    return scope;
}

// The service beside a fresh installation; the installation goes again when it fails.
bool InstallService(const CCommandLine& line) {
    CCategoryServiceSetup setup;
    setup.strFolder = line.options.strFolder;
    setup.strToolFolder = ToolFolder();
    setup.strListen =
        line.strCategoryAddress.empty() ? line.options.strServerIp : line.strCategoryAddress;
    setup.uPort = line.options.uServerPort;
    std::string strError;
    if (!ParseIpv4(setup.strListen)) {
        strError = "the category service listens on a dotted IPv4 address: " + setup.strListen;
    } else if (InstallCategoryService(setup, strError) &&
               (line.options.uServerPort != 0 || SetServerPort(setup.uPort, strError))) {
        std::printf("pcinstall: the category service answers on %s:%u\n", setup.strListen.c_str(),
                    setup.uPort);
        return true;
    }
    std::fprintf(stderr, "pcinstall: category service: %s\n", strError.c_str());
    std::string strIgnored;
    Uninstall(line.options.strFolder, strIgnored, UndoScope(line));
    return false;
}

bool RegisterLayer(const CCommandLine& line, std::string& strError) {
    std::wstring strLsp32 = Widen(line.strLsp32);
    if (!strLsp32.empty() && !Has32BitCatalogue()) {
        std::fputs(
            "pcinstall: warning: this system's Winsock has no catalogue for 32-bit programs: "
            "the layer is registered for 64-bit programs only\n",
            stderr);
        strLsp32.clear();
    }
    return InstallLayer(Widen(line.strLsp), strError, strLsp32);
}

int RunInstall(const CCommandLine& line) {
    std::string strError;
    // An upgrade keeps the administrator there is and asks for nobody's password.
    const bool bUpgrade = line.options.bKeepSettings && InstallationExists(line.options.strFolder);
    // A package's silent installation must not leave a system without an administrator.
    if (line.bPasswordStdin && line.options.strAdminPassword.empty() && !bUpgrade) {
        std::fputs("pcinstall: install failed: no administrator's password given\n", stderr);
        return 1;
    }
    if (!Install(line.options, strError)) {
        std::fprintf(stderr, "pcinstall: install failed: %s\n", strError.c_str());
        return 1;
    }
    if (line.bInteractive && !bUpgrade) {
        const StepOutcome outcome = RunAdminPasswordStep(line.strGui, true, strError);
        if (outcome != StepOutcome::kAccepted) {
            std::string strIgnored;
            Uninstall(line.options.strFolder, strIgnored, UndoScope(line));
            return StepFailed(outcome, strError);
        }
    }
    if (line.bCategoryService && !InstallService(line)) {
        return 1;
    }
    if (!line.strLsp.empty() && !RegisterLayer(line, strError)) {
        std::fprintf(stderr, "pcinstall: registering %s failed: %s\n", line.strLsp.c_str(),
                     strError.c_str());
        return 1;
    }
    std::printf("pcinstall: installed in %s\n", line.options.strFolder.c_str());
    return 0;
}

int RunUninstall(const CCommandLine& line) {
    std::string strError;
    if (line.bInteractive) {
        const StepOutcome outcome = RunAdminPasswordStep(line.strGui, false, strError);
        if (outcome != StepOutcome::kAccepted) {
            return StepFailed(outcome, strError);
        }
    }
    CUninstallScope scope = UndoScope(line);
    scope.bKeepSettings = line.options.bKeepSettings;
    if (!RemoveLayer(strError) || !Uninstall(line.options.strFolder, strError, scope)) {
        std::fprintf(stderr, "pcinstall: uninstall failed: %s\n", strError.c_str());
        return 1;
    }
    std::printf("pcinstall: removed\n");
    return 0;
}

// Proves the administrator's password as the settings program's uninstall dialog does, and
// keeps no proof.
int RunCheckPassword(const CCommandLine& line) {
    std::string strError;
    if (line.bInteractive) {
        const StepOutcome outcome = RunAdminPasswordStep(line.strGui, false, strError);
        return outcome == StepOutcome::kAccepted ? 0 : StepFailed(outcome, strError);
    }
    // The library is linked in: it opens the installation's settings as a DLL's start would.
    ApiProcessAttach();
    const bool bProved = ValidatePassword("admin", line.options.strAdminPassword.c_str()) == 1;
    const std::string strWhy = bProved ? std::string() : GetLastErrorMessage();
    EndProof();
    ApiProcessDetach();
    if (!bProved) {
        std::fprintf(stderr, "pcinstall: the administrator's password was refused: %s\n",
                     strWhy.c_str());
        return kCancelled;
    }
    return 0;
}

// pcinstall categories add ...
int RunCategoriesAdd(int argc, char** argv) {
    CCategoryListToAdd list;
    std::string strFolder;
    for (int i = 3; i < argc; ++i) {
        const std::string strOption = argv[i];
        if (strOption.rfind("--", 0) != 0) {
            if (!list.strSource.empty()) {
                return Usage();
            }
            list.strSource = strOption;
            continue;
        }
        if (i + 1 >= argc) {
            return Usage();
        }
        const std::string strValue = argv[++i];
        if (strOption == "--hosts" || strOption == "--adblock" || strOption == "--domains") {
            if (!list.strKind.empty()) {
                return Usage();
            }
            list.strKind = strOption.substr(2);
            list.strCategory = strValue;
        } else if (strOption == "--map") {
            list.strMap = strValue;
        } else if (strOption == "--folder") {
            strFolder = strValue;
        } else {
            return Usage();
        }
    }
    if ((list.strSource.empty() && list.strMap.empty()) ||
        (list.strSource.empty() && !list.strKind.empty())) {
        return Usage();
    }
    if (strFolder.empty()) {
        if (const CRegKey key = OpenProductKey()) {
            strFolder = ReadRegString(key.Get(), "Application").value_or(std::string());
        }
    }
    if (strFolder.empty()) {
        std::fputs("pcinstall: no installation found: give --folder\n", stderr);
        return 1;
    }
    std::string strAdded;
    std::string strError;
    if (!AddCategoryList(list, CategoryFolder(strFolder), strAdded, strError)) {
        std::fprintf(stderr, "pcinstall: categories add: %s\n", strError.c_str());
        return 1;
    }
    std::printf("pcinstall: added\n%s", strAdded.c_str());
    switch (ReloadCategoryService(strError)) {
        case ReloadOutcome::kReloading:
            std::printf("pcinstall: the category service is loading its lists again (see %s)\n",
                        CategoryServerLog(strFolder).c_str());
            return 0;
        case ReloadOutcome::kNotRunning:
            std::printf(
                "pcinstall: the category service is not running: the lists load when "
                "it starts\n");
            return 0;
        case ReloadOutcome::kFailed:
            break;
    }
    std::fprintf(stderr, "pcinstall: %s\n", strError.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        return Usage();
    }
    const std::string strCommand = argv[1];
    if (strCommand == "categories") {
        return argc >= 3 && std::string(argv[2]) == "add" ? RunCategoriesAdd(argc, argv) : Usage();
    }
    CCommandLine line;
    line.options.strCategoryFile = ToolFolder() + "categories.txt";
    line.options.strImageFolder = ToolFolder();
    if (!ParseInstallOptions(argc, argv, line)) {
        return Usage();
    }
    if (line.bPasswordStdin && !std::getline(std::cin, line.options.strAdminPassword)) {
        line.options.strAdminPassword.clear();
    }
    if (!line.options.strAdminPassword.empty() && line.options.strAdminPassword.back() == '\r') {
        line.options.strAdminPassword.pop_back();
    }
    if (line.bInteractive && !line.options.strAdminPassword.empty()) {
        std::fputs("pcinstall: --interactive asks for the password: no --admin-password\n", stderr);
        return Usage();
    }
    if (strCommand == "install") {
        return RunInstall(line);
    }
    if (strCommand == "uninstall") {
        return RunUninstall(line);
    }
    if (strCommand == "check-password") {
        return RunCheckPassword(line);
    }
    return Usage();
}
