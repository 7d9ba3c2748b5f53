// A fresh installation in a temporary folder for one test: product key, settings file with
// "Default" (and "admin" when a password is given) made by the installation code, removed at
// the end. With bAttach the library's process state (log, store) is attached to it in-process
// and, as the settings program does before a parent's changes, the administrator's password
// proved (unless the proof is declined: for the tests of what is refused without it).
#pragma once

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "Api/Library.h"
#include "Api/PolicyApi.h"
#include "tests/support/TempPath.h"
#include "tools/install/Installer.h"
#include "win/ProductRegistry.h"

class CFreshInstallation {
public:
    static constexpr const char* kCategories = "Adult,Gambling,News,Sports";

    enum class Proof { kAdministrator, kNone };

    explicit CFreshInstallation(const std::string& strAdminPassword = "secret", bool bAttach = true,
                                Proof proof = Proof::kAdministrator)
        : m_folder("install"), m_bAttached(bAttach) {
        ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, kProductKeyPath);
        std::filesystem::create_directories(m_folder.Path());
        const std::string strCategories = Folder() + "categories.txt";
        std::ofstream(strCategories) << kCategories << "\n";

        CInstallOptions options;
        options.strFolder = Folder();
        options.strCategoryFile = strCategories;
        options.strAdminPassword = strAdminPassword;
        options.uLogLevel = 4;
        options.bStrict = false;
        std::string strError;
        m_bInstalled = Install(options, strError);
        EXPECT_TRUE(m_bInstalled) << strError;
        if (m_bAttached) {
            ApiProcessAttach();
            if (proof == Proof::kAdministrator && !strAdminPassword.empty()) {
                EXPECT_EQ(ValidatePassword("admin", strAdminPassword.c_str()), 1);
            }
        }
    }
    CFreshInstallation(const CFreshInstallation&) = delete;
    CFreshInstallation& operator=(const CFreshInstallation&) = delete;
    ~CFreshInstallation() {
        if (m_bAttached) {
            ApiProcessDetach();
        }
        std::string strError;
        Uninstall(Folder(), strError);
    }

    // With its trailing backslash.
    std::string Folder() const { return m_folder.String() + "\\"; }
    std::string SettingsFile() const { return SettingsFilePath(Folder()); }
    std::string ApiLogFile() const { return Folder() + "ApiCallLog.Log"; }
    bool Installed() const { return m_bInstalled; }

    std::string ReadApiLog() const {
        std::ifstream in(ApiLogFile(), std::ios::binary);
        std::ostringstream out;
        out << in.rdbuf();
        return out.str();
    }
    // Counts the records holding szText.
    int CountInApiLog(const std::string& strText) const {
        const std::string strLog = ReadApiLog();
        int n = 0;
        for (size_t pos = strLog.find(strText); pos != std::string::npos;
             pos = strLog.find(strText, pos + 1)) {
            ++n;
        }
        return n;
    }

private:
    CTempPath m_folder;
    bool m_bAttached;
    bool m_bInstalled = false;
};
