#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "Api/PolicyApi.h"
#include "tests/support/FreshInstallation.h"
#include "win/ProductRegistry.h"

namespace {

void SetProductString(const char* szName, const std::string& strValue) {
    ::RegSetKeyValueA(HKEY_LOCAL_MACHINE, kProductKeyPath, szName, REG_SZ, strValue.c_str(),
                      static_cast<DWORD>(strValue.size() + 1));
}

std::string ReadAll(const std::string& strPath) {
    std::ifstream in(strPath);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

TEST(Config, RegistryReaders) {
    CFreshInstallation install;
    char szIp[16] = {};
    int iPort = 0;
    ASSERT_EQ(GetTLVServerIP(szIp, &iPort), 1);
    EXPECT_STREQ(szIp, "127.0.0.1");
    EXPECT_EQ(iPort, 7300);
    EXPECT_EQ(GetTLVTimeout(), 20);
    EXPECT_EQ(GetStrictFilter(), 0);
    for (const DWORD dwStrict : {1U, 2U}) {
        ::RegSetKeyValueA(HKEY_LOCAL_MACHINE, kProductKeyPath, "StrictFilter", REG_DWORD, &dwStrict,
                          sizeof dwStrict);
        EXPECT_EQ(GetStrictFilter(), dwStrict == 1 ? 1 : 0);
    }

    char szPath[1024] = {};
    ASSERT_EQ(GetApplicationPath(szPath), 1);
    EXPECT_EQ(std::string(szPath), install.Folder());

    // A value too long for an address buffer is refused, not copied.
    SetProductString("TLVServerIP", std::string(40, '1'));
    EXPECT_EQ(GetTLVServerIP(szIp, &iPort), 0);
    EXPECT_STREQ(szIp, "127.0.0.1");

    ::RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kProductKeyPath, "TLVTimeout");
    EXPECT_EQ(GetTLVTimeout(), 100);
    ::RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kProductKeyPath, "TLVServerPort");
    EXPECT_EQ(GetTLVServerIP(szIp, &iPort), 0);
    EXPECT_NE(install.CountInApiLog("API :: reg.GetValue Failed: " + std::string(kProductKeyPath) +
                                    "->TLVServerPort"),
              0);
    ::RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kProductKeyPath, "Application");
    EXPECT_EQ(GetApplicationPath(szPath), 0);
}

TEST(Config, SecondCategoryServerAndCacheTime) {
    CFreshInstallation install;
    char szIp[16] = "unchanged";
    int iPort = 0;
    EXPECT_EQ(GetTLVServer2(szIp, &iPort), 0);
    EXPECT_EQ(GetCategoryCacheSeconds(), 600);
    SetProductString("TLVServer2", "10.0.0.5:7301");
    ASSERT_EQ(GetTLVServer2(szIp, &iPort), 1);
    EXPECT_STREQ(szIp, "10.0.0.5");
    EXPECT_EQ(iPort, 7301);
    SetProductString("TLVServer2", "categories.school.example:7300");
    EXPECT_EQ(GetTLVServer2(szIp, &iPort), 0);
    EXPECT_NE(install.CountInApiLog(
                  "API :: TLVServer2 is not an address and port: categories.school.example:7300"),
              0);
    for (const DWORD dwSeconds : {0U, 30U}) {
        ::RegSetKeyValueA(HKEY_LOCAL_MACHINE, kProductKeyPath, "CategoryCacheSeconds", REG_DWORD,
                          &dwSeconds, sizeof dwSeconds);
        EXPECT_EQ(GetCategoryCacheSeconds(), static_cast<int>(dwSeconds));
    }
}

TEST(Config, MissingKeyLeavesOutputsUnchanged) {
    CFreshInstallation install;
    ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, kProductKeyPath);
    char szIp[16] = "unchanged";
    int iPort = 42;
    EXPECT_EQ(GetTLVServerIP(szIp, &iPort), 1);
    EXPECT_STREQ(szIp, "unchanged");
    EXPECT_EQ(iPort, 42);
    EXPECT_EQ(GetTLVTimeout(), 0);
    EXPECT_EQ(GetStrictFilter(), 0);
    char szPath[1024] = "same";
    EXPECT_EQ(GetApplicationPath(szPath), 1);
    EXPECT_STREQ(szPath, "same");
}

TEST(Config, ServerAddressMustBeDotted) {
    CFreshInstallation install;
    unsigned long ulAddress = 0;
    EXPECT_EQ(GetServerIP(&ulAddress), 0);  // no "Server" yet
    ASSERT_EQ(Store()->WriteString("USER", "Server", "10.1.2.3"), 1);
    ASSERT_EQ(GetServerIP(&ulAddress), 1);
    EXPECT_EQ(ulAddress, ::inet_addr("10.1.2.3"));
    ASSERT_EQ(Store()->WriteString("USER", "Server", "server.example"), 1);
    EXPECT_EQ(GetServerIP(&ulAddress), 0);
    EXPECT_NE(install.CountInApiLog("API :: Incorrect address is returned"), 0);
}

TEST(Config, FilterSwitchIsPersistedOnlyWhenItChanges) {
    CFreshInstallation install;
    EXPECT_EQ(GetFilterOff(), 0);
    const int nDigestsBefore = install.CountInApiLog("IniFile :: MD5 Written to Registry is");
    SetFilterOff(1);
    SetFilterOff(1);
    EXPECT_EQ(GetFilterOff(), 1);
    EXPECT_EQ(install.CountInApiLog("API :: SetFilterOff TRUE"), 2);
    EXPECT_EQ(install.CountInApiLog("IniFile :: MD5 Written to Registry is"), nDigestsBefore + 1);
    std::string strFilter;
    ASSERT_EQ(Store()->ReadValue("USER", "Filter", strFilter), 1);
    EXPECT_EQ(strFilter, "TRUE");
    SetFilterOff(0);
    ASSERT_EQ(Store()->ReadValue("USER", "Filter", strFilter), 1);
    EXPECT_EQ(strFilter, "FALSE");
    EXPECT_EQ(UpdateRequire(0), 1);
    EXPECT_EQ(IsUpdateRequire(), 0);
    EXPECT_EQ(install.CountInApiLog("API :: UpdateRequire : FALSE value set"), 1);
    UpdateRequire(1);
}

TEST(Config, RenameFilesReplacesAnOlderBackup) {
    CFreshInstallation install;
    const std::string strFolder = install.Folder();
    std::ofstream(strFolder + "browser.Log") << "current\n";
    std::ofstream(strFolder + "browser.Bak") << "older\n";
    std::ofstream(strFolder + "notes.logx") << "not a log\n";
    char szBefore[MAX_PATH];
    ::GetCurrentDirectoryA(MAX_PATH, szBefore);

    ASSERT_EQ(RenameFiles(), 1);
    ::SetCurrentDirectoryA(szBefore);
    EXPECT_FALSE(std::filesystem::exists(strFolder + "browser.Log"));
    EXPECT_EQ(ReadAll(strFolder + "browser.Bak"), "current\n");
    EXPECT_TRUE(std::filesystem::exists(strFolder + "notes.logx"));
    EXPECT_TRUE(std::filesystem::exists(strFolder + "ApiCallLog.Bak"));
}
