// The installation tool registers the filter in the (stand-in) Winsock catalogue and takes it
// out again.
#include <winsock2.h>
#include <windows.h>
#include <ws2spi.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/support/ChildProcess.h"
#include "tests/support/ScopedCatalog.h"
#include "tests/support/TempPath.h"
#include "tools/install/LayerInstaller.h"

namespace {

DWORD RunTool(const std::string& strArgs) {
    return CChildProcess(CChildProcess::Beside("pcinstall.exe"), strArgs).Wait();
}

}  // namespace

TEST(LayerInstall, ToolPutsTheChainsFirstAndTakesThemOut) {
    const CScopedCatalog catalog;  // the base provider's entries only
    const CTempPath folder("install");
    const std::string strDll = std::filesystem::path(ProgramFolder()).string() + "FilterLsp.dll";
    ASSERT_EQ(
        RunTool("install --force --folder \"" + folder.String() + "\" --lsp \"" + strDll + "\""),
        0u);

    const auto records = EnumCatalog();
    ASSERT_EQ(records.size(), 9u);  // 4 base entries, the layer, 4 chains
    DWORD dwLayer = 0;
    for (const auto& info : records) {
        if (IsEqualGUID(info.ProviderId, kProviderGuid)) {
            dwLayer = info.dwCatalogEntryId;
            EXPECT_EQ(info.ProtocolChain.ChainLen, LAYERED_PROTOCOL);
        }
    }
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_TRUE(IsEqualGUID(records[i].ProviderId, kChainProviderGuid)) << i;
        EXPECT_EQ(records[i].ProtocolChain.ChainLen, 2);
        EXPECT_EQ(records[i].ProtocolChain.ChainEntries[0], dwLayer);
        EXPECT_EQ(std::wstring(records[i].szProtocol).rfind(L"Parental Control over ", 0), 0u);
    }

    // A socket request now gets a chain through the layer.
    WSADATA data;
    ASSERT_EQ(::WSAStartup(MAKEWORD(2, 2), &data), 0);
    const SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    ASSERT_NE(s, INVALID_SOCKET);
    WSAPROTOCOL_INFOW info{};
    int nInfo = sizeof info;
    ASSERT_EQ(
        ::getsockopt(s, SOL_SOCKET, SO_PROTOCOL_INFOW, reinterpret_cast<char*>(&info), &nInfo), 0);
    EXPECT_TRUE(IsEqualGUID(info.ProviderId, kChainProviderGuid));
    ::closesocket(s);
    ::WSACleanup();

    ASSERT_EQ(RunTool("uninstall --folder \"" + folder.String() + "\""), 0u);
    EXPECT_EQ(EnumCatalog().size(), 4u);
}
