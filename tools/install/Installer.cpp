#include "tools/install/Installer.h"

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <system_error>
#include <vector>

#include "Api/DataStore.h"
#include "Api/IniFile.h"
#include "Api/PasswordHasher.h"
#include "Api/RegFile.h"
#include "Api/portable/IdList.h"
#include "base/portable/Ascii.h"
#include "log/LogFile.h"
#include "tools/category-server/win/ServiceNames.h"
#include "tools/install/CategoryService.h"
#include "win/ProductRegistry.h"
#include "win/RegKey.h"
#include "win/SameFile.h"

namespace {

std::string WithTrailingBackslash(std::string strFolder) {
    if (!strFolder.empty() && strFolder.back() != '\\' && strFolder.back() != '/') {
        strFolder += '\\';
    }
    return strFolder;
}

bool FileExists(const std::string& strPath) {
    return ::GetFileAttributesA(strPath.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool HasStoredDigest() {
    std::string strDigest;
    return RegFile(nullptr).QueryValue(kContentKeyPath, kDigestValueName, strDigest) != 0;
}

bool SetDword(HKEY hKey, const char* szName, DWORD dwValue) {
    return ::RegSetValueExA(hKey, szName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dwValue),
                            sizeof dwValue) == ERROR_SUCCESS;
}

bool WriteConfiguration(const CInstallOptions& options, const std::string& strFolder,
                        std::string& strError) {
    const CRegKey key = CreateRegKey(HKEY_LOCAL_MACHINE, kProductKeyPath, KEY_SET_VALUE);
    if (!key) {
        strError = std::string("cannot create HKLM\\") + kProductKeyPath;
        return false;
    }
    const auto setString = [&](const char* szName, const std::string& strValue) {
        return ::RegSetValueExA(key.Get(), szName, 0, REG_SZ,
                                reinterpret_cast<const BYTE*>(strValue.c_str()),
                                static_cast<DWORD>(strValue.size() + 1)) == ERROR_SUCCESS;
    };
    const auto setDword = [&](const char* szName, DWORD dwValue) {
        return SetDword(key.Get(), szName, dwValue);
    };
    if (!setString("Application", strFolder) || !setDword("LogLevel", options.uLogLevel) ||
        !setString("TLVServerIP", options.strServerIp) ||
        !setDword("TLVServerPort", options.uServerPort) ||
        !setDword("TLVTimeout", options.uTimeout) ||
        !setDword("StrictFilter", options.bStrict ? 1 : 0) ||
        (!options.strSecondServer.empty() && !setString("TLVServer2", options.strSecondServer))) {
        strError = "cannot write the configuration values";
        return false;
    }
    return true;
}

bool ReadCategories(const std::string& strPath, std::vector<std::string>& names,
                    std::string& strError) {
    std::ifstream file(strPath);
    std::string strLine;
    if (!file.is_open() || !std::getline(file, strLine)) {
        strError = "cannot read the category file " + strPath;
        return false;
    }
    names = SplitCategoryLine(strLine);
    // Profiles block sites of unknown category through this one.
    names.emplace_back("Null");
    return true;
}

// Writes one fresh user record: every list empty, the password hashed as the library's
// own CreateUser stores it.
bool WriteUser(IniFile& ini, int iId, const char* szName, const std::string& strPassword,
               int iType) {
    const std::string strSection = "USER" + std::to_string(iId);
    const char* szSection = strSection.c_str();
    const std::optional<std::string> stored = MakeStoredPassword(strPassword);
    bool bOk = stored && ini.WriteString(szSection, "Name", szName) &&
               ini.WriteString(szSection, "Password", stored->c_str()) &&
               ini.WriteInt(szSection, "Type", iType);
    for (const char* szKey : kUserListKeys) {
        bOk = bOk && ini.WriteIdList(szSection, szKey, {});
    }
    return bOk;
}

bool WriteSettings(const CInstallOptions& options, const std::string& strFolder,
                   const std::vector<std::string>& categories, std::string& strError) {
    CLogFile log(0);
    log.SetFileName("ApiCallLog");
    IniFile ini(&log);
    ini.SetPath(SettingsFilePath(strFolder));
    const bool bAdmin = !options.strAdminPassword.empty();

    bool bOk = ini.WriteInt("USER", "Total", bAdmin ? 2 : 1) &&
               ini.WriteIdList("USER", "Deleted", {}) && ini.WriteString("USER", "Filter", "FALSE");
    for (const char* szSection : kListSections) {
        bOk =
            bOk && ini.WriteInt(szSection, "Total", 0) && ini.WriteIdList(szSection, "Deleted", {});
    }
    bOk = bOk && WriteUser(ini, 1, "Default", "", 3);
    if (bAdmin) {
        bOk = bOk && WriteUser(ini, 2, "admin", options.strAdminPassword, 1);
    }
    for (size_t i = 0; bOk && i < categories.size(); ++i) {
        bOk = ini.WriteString("CAT", std::to_string(i + 1).c_str(), categories[i].c_str());
    }
    bOk = bOk && ini.WriteInt("CAT", "Total", static_cast<int>(categories.size()));
    if (!bOk) {
        strError = "cannot write the settings file " + SettingsFilePath(strFolder) +
                   " (a value too long, or the folder not writable)";
        return false;
    }
    ini.UpdateDigest();
    if (!HasStoredDigest()) {
        strError = "cannot store the settings digest";
        return false;
    }
    return true;
}

bool CopyBlockPageImages(const std::string& strFrom, const std::string& strFolder,
                         std::string& strError) {
    for (const char* szImage : kBlockPageImages) {
        const std::string strSource = WithTrailingBackslash(strFrom) + szImage;
        // A package's tool installing into its own folder.
        if (SameFile(strSource, strFolder + szImage)) {
            continue;
        }
        if (!::CopyFileA(strSource.c_str(), (strFolder + szImage).c_str(), FALSE)) {
            strError = "cannot copy " + strSource + " into the installation folder";
            return false;
        }
    }
    return true;
}

// The category service's program (once its process has gone: a moment after it stopped)
// and its folder of lists.
void RemoveCategoryFiles(const std::string& strFolder, const CUninstallScope& scope) {
    if (!scope.bKeepSettings) {
        std::error_code ec;
        std::filesystem::remove_all(CategoryFolder(strFolder), ec);
    }
    if (scope.bKeepPackageFiles) {
        return;
    }
    const std::string strProgram = WithTrailingBackslash(strFolder) + kCategoryServerProgram;
    for (int i = 0; i < 50 && !::DeleteFileA(strProgram.c_str()); ++i) {
        const DWORD dwError = ::GetLastError();
        if (dwError != ERROR_ACCESS_DENIED && dwError != ERROR_SHARING_VIOLATION) {
            break;  // gone, or never there
        }
        ::Sleep(100);
    }
}

// The product's logs in the folder (NAME.Log, and NAME.Bak of the log writer's earlier ones).
void RemoveLogs(const std::string& strFolder) {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(strFolder, ec)) {
        const std::string strExtension = entry.path().extension().string();
        if (EqualsNoCase(strExtension, ".Log") || EqualsNoCase(strExtension, ".Bak")) {
            std::filesystem::remove(entry.path(), ec);
        }
    }
}

void RemoveRunEntry() {
    ::RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run",
                         "QPC");
}

}  // namespace

std::string SettingsFilePath(const std::string& strFolder) {
    return WithTrailingBackslash(strFolder) + "Content.ini";
}

bool SetServerPort(unsigned uPort, std::string& strError) {
    const CRegKey key = CreateRegKey(HKEY_LOCAL_MACHINE, kProductKeyPath, KEY_SET_VALUE);
    if (!key || !SetDword(key.Get(), "TLVServerPort", uPort)) {
        strError = "cannot write TLVServerPort";
        return false;
    }
    return true;
}

bool Install(const CInstallOptions& options, std::string& strError) {
    if (options.strFolder.empty()) {
        strError = "no installation folder given";
        return false;
    }
    const std::string strFolder = WithTrailingBackslash(options.strFolder);
    if (options.strAdminPassword.size() > 20) {
        strError = "the administrator password may have at most 20 characters";
        return false;
    }
    std::vector<std::string> categories;
    if (!ReadCategories(options.strCategoryFile, categories, strError)) {
        return false;
    }
    const bool bExists = InstallationExists(strFolder);
    if (bExists && options.bKeepSettings) {
        return options.strImageFolder.empty() ||
               CopyBlockPageImages(options.strImageFolder, strFolder, strError);
    }
    if (bExists && !options.bForce) {
        strError =
            "an installation exists already (settings file or registry digest); "
            "use --force to replace it";
        return false;
    }
    // The package's own files stay when its tool installs into the folder it came in.
    CUninstallScope scope;
    scope.bKeepPackageFiles = SameFile(options.strImageFolder, strFolder);
    if (bExists && !Uninstall(strFolder, strError, scope)) {
        return false;
    }
    if (!::CreateDirectoryA(strFolder.c_str(), nullptr) &&
        ::GetLastError() != ERROR_ALREADY_EXISTS) {
        strError = "cannot create the folder " + strFolder;
        return false;
    }
    return WriteConfiguration(options, strFolder, strError) &&
           WriteSettings(options, strFolder, categories, strError) &&
           (options.strImageFolder.empty() ||
            CopyBlockPageImages(options.strImageFolder, strFolder, strError));
}

bool InstallationExists(const std::string& strFolder) {
    return FileExists(SettingsFilePath(strFolder)) || HasStoredDigest();
}

bool Uninstall(const std::string& strFolder, std::string& strError, const CUninstallScope& scope) {
    std::string strInstalled = strFolder;
    if (strInstalled.empty()) {
        if (const CRegKey key = OpenProductKey()) {
            strInstalled = ReadRegString(key.Get(), "Application").value_or(std::string());
        }
    }
    if (scope.bKeepSettings) {
        if (!RemoveCategoryService(strError)) {
            return false;
        }
        if (!strInstalled.empty()) {
            RemoveCategoryFiles(strInstalled, scope);
        }
        return true;
    }
    const LONG lResult = ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, kProductKeyPath);
    if (lResult != ERROR_SUCCESS && lResult != ERROR_FILE_NOT_FOUND) {
        strError = "cannot remove HKLM\\" + std::string(kProductKeyPath);
        return false;
    }
    RemoveRunEntry();
    if (!RemoveCategoryService(strError)) {
        return false;
    }
    if (!strInstalled.empty()) {
        RemoveCategoryFiles(strInstalled, scope);
        const std::string strFile = SettingsFilePath(strInstalled);
        if (FileExists(strFile) && !::DeleteFileA(strFile.c_str())) {
            strError = "cannot delete " + strFile;
            return false;
        }
        RemoveLogs(strInstalled);
        for (const char* szImage : kBlockPageImages) {
            if (!scope.bKeepPackageFiles) {
                ::DeleteFileA((WithTrailingBackslash(strInstalled) + szImage).c_str());
            }
        }
    }
    return true;
}
