// The category service as an installation has it under Wine: installed and started by
// pcinstall, answering, reloaded by "pcinstall categories add", and removed with the
// installation.
#include <winsock2.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/ChildProcess.h"
#include "tests/support/TempPath.h"
#include "tests/tools/category-server/LookupClient.h"
#include "tools/category-server/win/ServiceNames.h"
#include "win/ProductRegistry.h"
#include "win/ServiceHandle.h"

namespace {

namespace fs = std::filesystem;

// pcinstall beside the test; its exit code.
DWORD RunInstaller(const std::string& strArgs) {
    return CChildProcess(CChildProcess::Beside("pcinstall.exe"), strArgs).Wait();
}

bool ServiceExists() {
    const CServiceHandle manager(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    const CServiceHandle service(
        manager ? ::OpenServiceW(manager.Get(), kCategoryServiceName, SERVICE_QUERY_CONFIG)
                : nullptr);
    return static_cast<bool>(service);
}

// What the service manager holds of the service: start type and account.
std::pair<DWORD, std::wstring> ServiceConfig() {
    const CServiceHandle manager(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    const CServiceHandle service(
        ::OpenServiceW(manager.Get(), kCategoryServiceName, SERVICE_QUERY_CONFIG));
    alignas(QUERY_SERVICE_CONFIGW) BYTE buffer[8192];
    auto* pConfig = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buffer);
    DWORD dwNeeded = 0;
    if (!service || !::QueryServiceConfigW(service.Get(), pConfig, sizeof buffer, &dwNeeded)) {
        return {0, L""};
    }
    return {pConfig->dwStartType,
            pConfig->lpServiceStartName != nullptr ? pConfig->lpServiceStartName : L""};
}

class CategoryServiceTest : public ::testing::Test {
protected:
    CategoryServiceTest() { fs::create_directories(m_downloads.Path()); }
    ~CategoryServiceTest() override {
        RunInstaller("uninstall --folder \"" + m_folder.String() + "\"");
    }
    std::string Folder() const { return m_folder.String() + "\\"; }
    std::string Log() const { return ReadFileText(Folder() + "Categories\\CategoryServer.Log"); }

    CWinsock m_winsock;
    CTempPath m_folder{"category-service"};
    CTempPath m_downloads{"downloads"};
};

TEST_F(CategoryServiceTest, InstalledAnsweringReloadedRemoved) {
    // Port 0: the service takes a free one and the configuration names it.
    ASSERT_EQ(RunInstaller("install --folder \"" + m_folder.String() +
                           "\" --admin-password secret --category-service --server-port 0"
                           " --second-server 10.1.2.3:7301"),
              0U);
    const auto port = ReadRegDword(OpenProductKey().Get(), "TLVServerPort");
    ASSERT_TRUE(port.has_value() && *port != 0);
    const auto uPort = static_cast<std::uint16_t>(*port);
    EXPECT_EQ(LookupCategory(uPort, 4, "news.example/today"), "News") << Log();
    EXPECT_EQ(LookupCategory(uPort, 6, "casino.example/"), "h\tGambling");
    const auto config = ServiceConfig();
    EXPECT_EQ(config.first, static_cast<DWORD>(SERVICE_AUTO_START));
    EXPECT_EQ(config.second, L"NT AUTHORITY\\LocalService");
    {
        const CRegKey key = OpenProductKey();
        EXPECT_EQ(ReadRegString(key.Get(), "TLVServerIP"), "127.0.0.1");
        EXPECT_EQ(ReadRegString(key.Get(), "TLVServer2"), "10.1.2.3:7301");
    }

    const std::string downloaded = (m_downloads.Path() / "family.txt").string();
    std::ofstream(downloaded) << "homework.example Education\n";
    ASSERT_EQ(RunInstaller("categories add \"" + downloaded + "\""), 0U);
    EXPECT_TRUE(WaitFor([&] {
        return LookupCategory(uPort, 4, "homework.example/") == "Education";
    })) << Log();
    // The new index is served before the line about it is written.
    EXPECT_TRUE(WaitFor([&] {
        return Log().find("reloaded (service control)") != std::string::npos;
    })) << Log();

    ASSERT_EQ(RunInstaller("uninstall"), 0U);
    EXPECT_FALSE(ServiceExists());
    EXPECT_TRUE(WaitFor([&] { return !ConnectLoopback(uPort); }));
    EXPECT_FALSE(fs::exists(Folder() + "category-server.exe"));
    EXPECT_FALSE(fs::exists(Folder() + "Categories"));
}

TEST_F(CategoryServiceTest, RefusedSecondServerLeavesNothing) {
    for (const char* szBad : {"10.1.2.3", "10.1.2.3:0", "server.example:7300", "10.1.2:7300"}) {
        EXPECT_EQ(RunInstaller("install --folder \"" + m_folder.String() +
                               "\" --admin-password secret --second-server " + szBad),
                  2U)
            << szBad;
    }
    EXPECT_FALSE(OpenProductKey());
    EXPECT_FALSE(ServiceExists());
}

}  // namespace
