// The stand-in's catalogue calls, as an installer and a layer use them.
#include <winsock2.h>
#include <windows.h>
#include <ws2spi.h>

#include <sporder.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "tests/support/ScopedCatalog.h"

namespace {

constexpr GUID kOtherId = {0x11111111, 0x2222, 0x3333, {4, 4, 4, 4, 4, 4, 4, 4}};

std::vector<DWORD> EntryIds() {
    std::vector<DWORD> ids;
    for (const WSAPROTOCOL_INFOW& info : EnumCatalog()) {
        ids.push_back(info.dwCatalogEntryId);
    }
    return ids;
}

TEST(HostCatalog, EnumerationReportsNeededSizeThenFillsBaseEntries) {
    const CScopedCatalog catalog;
    DWORD cb = 0;
    int iError = 0;
    EXPECT_EQ(::WSCEnumProtocols(nullptr, nullptr, &cb, &iError), SOCKET_ERROR);
    EXPECT_EQ(iError, WSAENOBUFS);
    EXPECT_EQ(cb, 4 * sizeof(WSAPROTOCOL_INFOW));

    std::vector<WSAPROTOCOL_INFOW> small(3);
    DWORD cbSmall = 3 * sizeof(WSAPROTOCOL_INFOW);
    EXPECT_EQ(::WSCEnumProtocols(nullptr, small.data(), &cbSmall, &iError), SOCKET_ERROR);
    EXPECT_EQ(cbSmall, cb);

    std::vector<WSAPROTOCOL_INFOW> records(4);
    ASSERT_EQ(::WSCEnumProtocols(nullptr, records.data(), &cb, &iError), 4);
    for (const WSAPROTOCOL_INFOW& info : records) {
        EXPECT_TRUE(IsEqualGUID(info.ProviderId, wsock::kBaseProviderId));
        EXPECT_EQ(info.ProtocolChain.ChainLen, BASE_PROTOCOL);
        EXPECT_EQ(info.ProtocolChain.ChainEntries[0], info.dwCatalogEntryId);
    }
    EXPECT_EQ(records[0].iProtocol, IPPROTO_TCP);
    EXPECT_EQ(records[3].iAddressFamily, AF_INET6);

    INT udpOnly[] = {IPPROTO_UDP, 0};
    cb = 4 * sizeof(WSAPROTOCOL_INFOW);
    EXPECT_EQ(::WSCEnumProtocols(udpOnly, records.data(), &cb, &iError), 2);
}

TEST(HostCatalog, ProviderPathNeedsRoomForTheTerminatorAndAKnownId) {
    const CScopedCatalog catalog(CScopedCatalog::Layer::kNone, L"C:\\x\\wsbase.dll");
    GUID id = wsock::kBaseProviderId;
    wchar_t szPath[MAX_PATH];
    int iLength = 15;
    int iError = 0;
    EXPECT_EQ(::WSCGetProviderPath(&id, szPath, &iLength, &iError), SOCKET_ERROR);
    EXPECT_EQ(iError, WSAEFAULT);
    iLength = 16;
    ASSERT_EQ(::WSCGetProviderPath(&id, szPath, &iLength, &iError), 0);
    EXPECT_STREQ(szPath, L"C:\\x\\wsbase.dll");
    EXPECT_EQ(iLength, 15);
    GUID other = kOtherId;
    EXPECT_EQ(::WSCGetProviderPath(&other, szPath, &iLength, &iError), SOCKET_ERROR);
    EXPECT_EQ(iError, WSAEINVAL);
}

TEST(HostCatalog, InstallOrderAndRemoveAsAnInstallerDoes) {
    const CScopedCatalog catalog(CScopedCatalog::Layer::kChains);
    const std::vector<WSAPROTOCOL_INFOW> records = EnumCatalog();
    ASSERT_EQ(records.size(), 9u);
    // Four chains first, each over the layer and one base entry.
    const DWORD dwLayer = records[8].dwCatalogEntryId;
    EXPECT_EQ(records[8].ProtocolChain.ChainLen, LAYERED_PROTOCOL);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(records[i].ProtocolChain.ChainLen, 2);
        EXPECT_EQ(records[i].ProtocolChain.ChainEntries[0], dwLayer);
        EXPECT_EQ(records[i].ProtocolChain.ChainEntries[1], records[4 + i].dwCatalogEntryId);
    }

    int iError = 0;
    GUID layerId = kProviderGuid;
    WSAPROTOCOL_INFOW again = records[8];
    EXPECT_EQ(::WSCInstallProvider(&layerId, L"x.dll", &again, 1, &iError), SOCKET_ERROR);
    EXPECT_EQ(iError, WSAEINVAL);

    std::vector<DWORD> ids = EntryIds();
    EXPECT_EQ(::WSCWriteProviderOrder(ids.data(), 8), WSAEINVAL);
    std::vector<DWORD> twice = ids;
    twice[1] = twice[0];
    EXPECT_EQ(::WSCWriteProviderOrder(twice.data(), 9), WSAEINVAL);
    std::reverse(ids.begin(), ids.end());
    EXPECT_EQ(::WSCWriteProviderOrder(ids.data(), 9), 0);
    EXPECT_EQ(EntryIds(), ids);

    GUID chainId = kChainProviderGuid;
    EXPECT_EQ(::WSCDeinstallProvider(&chainId, &iError), 0);
    EXPECT_EQ(::WSCDeinstallProvider(&layerId, &iError), 0);
    EXPECT_EQ(EnumCatalog().size(), 4u);
    EXPECT_EQ(::WSCDeinstallProvider(&layerId, &iError), SOCKET_ERROR);
    EXPECT_EQ(iError, WSAEINVAL);
}

}  // namespace
