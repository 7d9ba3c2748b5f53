// Sockets through the stand-in host and its base provider alone (no layer installed).
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <ws2spi.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "tests/support/LoopbackPeer.h"
#include "tests/support/ScopedCatalog.h"
#include "wsock/host/Selection.h"

namespace {

class HostSockets : public ::testing::Test {
protected:
    void SetUp() override {
        WSADATA data;
        ASSERT_EQ(::WSAStartup(MAKEWORD(2, 2), &data), 0);
        EXPECT_EQ(data.wVersion, MAKEWORD(2, 2));
    }
    void TearDown() override { EXPECT_EQ(::WSACleanup(), 0); }

    CScopedCatalog m_catalog;
};

TEST_F(HostSockets, TcpRoundTripWithLoopbackPeer) {
    CLoopbackPeer peer(CLoopbackPeer::Echo);
    CSocket s(::socket(AF_INET, SOCK_STREAM, 0));
    ASSERT_TRUE(s);
    const sockaddr_in addr = peer.Address();
    ASSERT_EQ(::connect(s.Get(), reinterpret_cast<const sockaddr*>(&addr), sizeof addr), 0);
    sockaddr_in peerName{};
    int len = sizeof peerName;
    ASSERT_EQ(::getpeername(s.Get(), reinterpret_cast<sockaddr*>(&peerName), &len), 0);
    EXPECT_EQ(ntohs(peerName.sin_port), peer.Port());
    const std::string request(1000, 'q');
    ASSERT_TRUE(SendAll(s.Get(), request));
    ASSERT_EQ(::shutdown(s.Get(), SD_SEND), 0);
    EXPECT_EQ(ReceiveAll(s.Get()), request);
    EXPECT_EQ(::closesocket(s.Release()), 0);
}

TEST_F(HostSockets, UdpSendToAndReceiveFrom) {
    CSocket server(::socket(AF_INET, SOCK_DGRAM, 0));
    CSocket client(::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP));
    ASSERT_TRUE(server && client);
    sockaddr_in addr = LoopbackAddress(0);
    ASSERT_EQ(::bind(server.Get(), reinterpret_cast<const sockaddr*>(&addr), sizeof addr), 0);
    addr = LoopbackAddress(LocalPort(server.Get()));
    ASSERT_EQ(
        ::sendto(client.Get(), "ping", 4, 0, reinterpret_cast<const sockaddr*>(&addr), sizeof addr),
        4);
    char buf[16];
    sockaddr_in from{};
    int fromLen = sizeof from;
    ASSERT_EQ(
        ::recvfrom(server.Get(), buf, sizeof buf, 0, reinterpret_cast<sockaddr*>(&from), &fromLen),
        4);
    EXPECT_EQ(std::string(buf, 4), "ping");
    EXPECT_EQ(ntohs(from.sin_port), LocalPort(client.Get()));
}

TEST_F(HostSockets, RequestsNoEntryServesFailWithTheMatchingError) {
    EXPECT_EQ(::socket(AF_APPLETALK, SOCK_STREAM, 0), INVALID_SOCKET);
    EXPECT_EQ(::WSAGetLastError(), WSAEAFNOSUPPORT);
    EXPECT_EQ(::socket(AF_INET, SOCK_SEQPACKET, 0), INVALID_SOCKET);
    EXPECT_EQ(::WSAGetLastError(), WSAESOCKTNOSUPPORT);
    EXPECT_EQ(::socket(AF_INET, SOCK_STREAM, IPPROTO_UDP), INVALID_SOCKET);
    EXPECT_EQ(::WSAGetLastError(), WSAEPROTONOSUPPORT);
}

TEST_F(HostSockets, UnknownHandlesAndEmptySelectsFail) {
    const auto sBogus = static_cast<SOCKET>(0x7ff0);
    EXPECT_EQ(::closesocket(sBogus), SOCKET_ERROR);
    EXPECT_EQ(::WSAGetLastError(), WSAENOTSOCK);
    EXPECT_EQ(::send(sBogus, "x", 1, 0), SOCKET_ERROR);
    EXPECT_EQ(::WSAGetLastError(), WSAENOTSOCK);
    fd_set set;
    FD_ZERO(&set);
    timeval zero{};
    EXPECT_EQ(::select(0, &set, nullptr, nullptr, &zero), SOCKET_ERROR);
    EXPECT_EQ(::WSAGetLastError(), WSAEINVAL);
}

TEST_F(HostSockets, AddressConversionsGoThroughTheFamilysProvider) {
    sockaddr_in addr{};
    int len = sizeof addr;
    wchar_t szText[] = L"127.0.0.1:8080";
    ASSERT_EQ(
        ::WSAStringToAddressW(szText, AF_INET, nullptr, reinterpret_cast<sockaddr*>(&addr), &len),
        0);
    EXPECT_EQ(ntohs(addr.sin_port), 8080);
    wchar_t szBack[64];
    DWORD nBack = 64;
    ASSERT_EQ(::WSAAddressToStringW(reinterpret_cast<sockaddr*>(&addr), sizeof addr, nullptr,
                                    szBack, &nBack),
              0);
    EXPECT_STREQ(szBack, L"127.0.0.1:8080");
}

TEST_F(HostSockets, ProviderPathsExpandEnvironmentStrings) {
    ::SetEnvironmentVariableW(L"WSHOST_TEST_DIR", ProgramFolder().c_str());
    const CScopedCatalog expanded(CScopedCatalog::Layer::kNone, L"%WSHOST_TEST_DIR%wsbase.dll");
    CSocket s(::socket(AF_INET, SOCK_STREAM, 0));
    EXPECT_TRUE(s);
}

// The catalogue entry the host chose for the socket: a duplicate's record names it. The
// duplicate is taken up again at once, so no handle is left behind.
DWORD CatalogEntryIdOf(SOCKET s) {
    WSAPROTOCOL_INFOW info{};
    ::WSADuplicateSocketW(s, ::GetCurrentProcessId(), &info);
    const CSocket duplicate(
        ::WSASocketW(FROM_PROTOCOL_INFO, FROM_PROTOCOL_INFO, FROM_PROTOCOL_INFO, &info, 0, 0));
    return duplicate ? info.dwCatalogEntryId : 0;
}

// The host keeps the catalogue it read: a catalogue changed, removed or made again after
// sockets were made is still the one the next request sees.
TEST(HostCatalogue, ChangesAfterUseReachTheNextRequest) {
    WSADATA data;
    ASSERT_EQ(::WSAStartup(MAKEWORD(2, 2), &data), 0);
    DWORD dwFirstId = 0;
    {
        const CScopedCatalog catalog;
        const CSocket s(::socket(AF_INET, SOCK_STREAM, 0));
        ASSERT_TRUE(s);
        dwFirstId = CatalogEntryIdOf(s.Get());

        // Installed again under the same key: new entry ids.
        GUID baseId = wsock::kBaseProviderId;
        int iError = 0;
        ASSERT_EQ(::WSCDeinstallProvider(&baseId, &iError), 0);
        EXPECT_EQ(::socket(AF_INET, SOCK_STREAM, 0), INVALID_SOCKET);
        auto records = wsock::BaseRecords();
        const std::wstring path = ProgramFolder() + L"wsbase.dll";
        ASSERT_EQ(::WSCInstallProvider(&baseId, path.c_str(), records.data(),
                                       static_cast<DWORD>(records.size()), &iError),
                  0);
        const CSocket again(::socket(AF_INET, SOCK_STREAM, 0));
        ASSERT_TRUE(again);
        EXPECT_NE(CatalogEntryIdOf(again.Get()), dwFirstId);
    }
    EXPECT_EQ(::socket(AF_INET, SOCK_STREAM, 0), INVALID_SOCKET);
    {
        // A key deleted and made anew starts its numbering again.
        const CScopedCatalog fresh;
        const CSocket s(::socket(AF_INET, SOCK_STREAM, 0));
        ASSERT_TRUE(s);
        EXPECT_EQ(CatalogEntryIdOf(s.Get()), dwFirstId);
    }
    EXPECT_EQ(::WSACleanup(), 0);
}

TEST(HostSelection, FirstMatchInCatalogueOrderWithProtocolZeroRules) {
    std::vector<wsock::CatalogRecord> records(3);
    records[0].info = wsock::MakeBaseRecord(AF_INET, SOCK_STREAM, IPPROTO_TCP, L"layer");
    records[0].info.ProtocolChain.ChainLen = LAYERED_PROTOCOL;
    records[1].info = wsock::MakeBaseRecord(AF_INET, SOCK_STREAM, IPPROTO_TCP, L"no zero");
    records[1].info.dwProviderFlags = 0;
    records[2].info = wsock::MakeBaseRecord(AF_INET, SOCK_STREAM, IPPROTO_TCP, L"tcp");
    records[2].info.dwCatalogEntryId = 7;

    EXPECT_EQ(wsock::SelectRecord(records, AF_INET, SOCK_STREAM, 0, nullptr).record, &records[2]);
    EXPECT_EQ(wsock::SelectRecord(records, AF_UNSPEC, SOCK_STREAM, IPPROTO_TCP, nullptr).record,
              &records[1]);
    WSAPROTOCOL_INFOW byId{};
    byId.dwCatalogEntryId = 7;
    EXPECT_EQ(wsock::SelectRecord(records, 0, 0, 0, &byId).record, &records[2]);
    byId.dwCatalogEntryId = 8;
    EXPECT_EQ(wsock::SelectRecord(records, 0, 0, 0, &byId).error, WSAEINVAL);
    EXPECT_EQ(wsock::SelectByFamily(records, AF_INET), &records[1]);
    EXPECT_EQ(wsock::SelectByFamily(records, AF_INET6), nullptr);
}

}  // namespace
