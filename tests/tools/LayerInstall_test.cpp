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

namespace {

std::wstring ProviderPath32(const GUID& id) {
    GUID providerId = id;
    WCHAR szPath[MAX_PATH] = {};
    int nLength = MAX_PATH;
    int iError = 0;
    if (::WSCGetProviderPath32(&providerId, szPath, &nLength, &iError) != 0) {
        return L"(none)";
    }
    return szPath;
}

// The chains come first and each names this catalogue's layer entry and one of its base
// entries (never an id of the other catalogue).
void ExpectChainsFirst(const std::vector<WSAPROTOCOL_INFOW>& records) {
    ASSERT_EQ(records.size(), 9u);
    DWORD dwLayer = 0;
    std::vector<DWORD> bases;
    for (const auto& info : records) {
        if (IsEqualGUID(info.ProviderId, kProviderGuid)) {
            dwLayer = info.dwCatalogEntryId;
        } else if (info.ProtocolChain.ChainLen == BASE_PROTOCOL) {
            bases.push_back(info.dwCatalogEntryId);
        }
    }
    ASSERT_EQ(bases.size(), 4u);
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_TRUE(IsEqualGUID(records[i].ProviderId, kChainProviderGuid)) << i;
        EXPECT_EQ(records[i].ProtocolChain.ChainEntries[0], dwLayer) << i;
        EXPECT_EQ(records[i].ProtocolChain.ChainEntries[1], bases[i]) << i;
    }
}

}  // namespace

TEST(LayerInstall, ToolRegistersTheLayerForBothKindsOfProgramAndRemovesBoth) {
    const CScopedCatalog catalog;
    CScopedCatalog::Bases32();
    const CTempPath folder("install");
    const std::string strDll = std::filesystem::path(ProgramFolder()).string() + "FilterLsp.dll";
    const std::string strDll32 = "C:\\x86\\FilterLsp.dll";
    ASSERT_EQ(RunTool("install --force --folder \"" + folder.String() + "\" --lsp \"" + strDll +
                      "\" --lsp32 \"" + strDll32 + "\""),
              0u);

    const auto records = EnumCatalog();
    const auto records32 = EnumCatalog(::WSCEnumProtocols32);
    ExpectChainsFirst(records);
    ExpectChainsFirst(records32);
    EXPECT_NE(records.front().dwCatalogEntryId, records32.front().dwCatalogEntryId);
    EXPECT_EQ(ProviderPath32(kProviderGuid), L"C:\\x86\\FilterLsp.dll");
    EXPECT_EQ(ProviderPath32(kChainProviderGuid), L"C:\\x86\\FilterLsp.dll");

    // Installing again replaces both registrations rather than adding to them.
    ASSERT_EQ(RunTool("install --force --folder \"" + folder.String() + "\" --lsp \"" + strDll +
                      "\" --lsp32 \"" + strDll32 + "\""),
              0u);
    EXPECT_EQ(EnumCatalog().size(), 9u);
    EXPECT_EQ(EnumCatalog(::WSCEnumProtocols32).size(), 9u);

    ASSERT_EQ(RunTool("uninstall --folder \"" + folder.String() + "\""), 0u);
    EXPECT_EQ(EnumCatalog().size(), 4u);
    EXPECT_EQ(EnumCatalog(::WSCEnumProtocols32).size(), 4u);
}

TEST(LayerInstall, NoBaseInTheOtherCatalogueLeavesNeitherRegistered) {
    const CScopedCatalog catalog;  // nothing in the catalogue of 32-bit programs
    const CTempPath folder("install");
    const std::string strDll = std::filesystem::path(ProgramFolder()).string() + "FilterLsp.dll";
    EXPECT_NE(RunTool("install --force --folder \"" + folder.String() + "\" --lsp \"" + strDll +
                      "\" --lsp32 C:\\x86\\FilterLsp.dll"),
              0u);
    EXPECT_EQ(EnumCatalog().size(), 4u);
    EXPECT_TRUE(EnumCatalog(::WSCEnumProtocols32).empty());
    RunTool("uninstall --folder \"" + folder.String() + "\"");
}
