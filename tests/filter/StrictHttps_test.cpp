// HTTPS judged by the server name of its ClientHello, and QUIC refused, with the strict switch
// on: through the host and the layer, against peers on loopback that record what reaches them.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <future>
#include <string>
#include <vector>

#include "tests/filter/StrictFilteringTest.h"
#include "tests/filter/TlsRelayPeers.h"
#include "tests/support/TlsClientHello.h"

namespace {

using namespace std::string_literals;

constexpr char kServerBytes[] = "\x16\x03\x03 (the server's answer)";
const std::string kAccessDenied = "\x15\x03\x03\x00\x02\x02\x31"s;

// A TLS server stand-in for one connection: answers whatever first arrives, and keeps every
// byte it received for the test.
class CHandshakePeer : public CRecordingPeer {
public:
    CHandshakePeer() : CRecordingPeer(Serve) {}

private:
    static std::string Serve(SOCKET s) {
        char buffer[4096];
        const int n = ::recv(s, buffer, sizeof buffer, 0);
        if (n <= 0) {
            return {};
        }
        SendAll(s, kServerBytes);
        return std::string(buffer, static_cast<std::size_t>(n)) + ReceiveAll(s);
    }
};

// The client's answer and what the server received, for a ClientHello naming `name`.
struct Outcome {
    std::string answer;
    std::string received;
};

Outcome Handshake(const std::string& name, bool bOverlapped) {
    CHandshakePeer peer;
    const std::string hello = BuildClientHello(name);
    Outcome outcome;
    outcome.answer = bOverlapped ? OverlappedExchange(peer.Address(), hello, Wait::kEvent)
                                 : PlainExchange(peer.Address(), hello);
    outcome.received = peer.Received();
    return outcome;
}

class StrictHttpsTest : public StrictFilteringTest, public ::testing::WithParamInterface<bool> {};

TEST_P(StrictHttpsTest, ServerNamesAreJudgedAndBlockedOnesNeverReachTheServer) {
    const bool bOverlapped = GetParam();
    for (const char* szName : {"news.example", ""}) {
        SCOPED_TRACE(szName);
        const Outcome passed = Handshake(szName, bOverlapped);
        EXPECT_EQ(passed.received, BuildClientHello(szName));
        EXPECT_EQ(passed.answer, kServerBytes);
    }
    const Outcome byWord = Handshake("www.Poker.example", bOverlapped);
    EXPECT_EQ(byWord.received, "");
    EXPECT_EQ(byWord.answer, kAccessDenied);
    const BlockJournalEntry block = CPolicyLibrary().NewestBlock();
    EXPECT_EQ(block.iScheme, BLOCK_SCHEME_HTTPS);
    EXPECT_EQ(block.iPolicy, 3);
    EXPECT_STREQ(block.szHost, "www.poker.example");
    EXPECT_STREQ(block.szMatch, "poker");
    EXPECT_STREQ(block.szUrl, "");
    EXPECT_STREQ(block.szProfile, "Default");
    EXPECT_STREQ(block.szProcess, "filtering_tests.exe");

    ASSERT_TRUE(CPolicyLibrary().SetBlockedCategories({"News"}));
    const Outcome byCategory = Handshake("news.example", bOverlapped);
    EXPECT_EQ(byCategory.received, "");
    EXPECT_EQ(byCategory.answer, kAccessDenied);
}

// A hello sent in pieces reaches the server only once it is whole and judged: all at once when
// allowed, nothing at all when blocked. Each piece is reported sent.
TEST_P(StrictHttpsTest, AHelloInPiecesIsHeldUntilItIsJudged) {
    for (const char* szName : {"news.example", "www.poker.example"}) {
        SCOPED_TRACE(szName);
        const bool bBlocked = std::string(szName) != "news.example";
        CHandshakePeer peer;
        const std::string hello = BuildClientHello(szName);
        CSocket s = ConnectTo(peer.Address());
        ASSERT_TRUE(s);
        for (const std::size_t nAt : {std::size_t{0}, std::size_t{3}, std::size_t{40}}) {
            const std::size_t nEnd = nAt == 40 ? hello.size() : (nAt == 0 ? 3 : 40);
            std::string piece = hello.substr(nAt, nEnd - nAt);
            if (GetParam()) {
                WSABUF buffer{static_cast<ULONG>(piece.size()), piece.data()};
                EXPECT_EQ(Overlapped(s.Get(), true, {buffer}, Wait::kEvent),
                          static_cast<long long>(piece.size()));
            } else {
                EXPECT_EQ(::send(s.Get(), piece.data(), static_cast<int>(piece.size()), 0),
                          static_cast<int>(piece.size()));
            }
        }
        ::shutdown(s.Get(), SD_SEND);
        EXPECT_EQ(ReceiveAll(s.Get()), bBlocked ? kAccessDenied : kServerBytes);
        EXPECT_EQ(peer.Received(), bBlocked ? "" : hello);
    }
}

// Relaying programs (and browsers) may have a receive waiting before the ClientHello goes.
TEST_F(StrictFilteringTest, AReceivePostedBeforeARefusedHelloGetsTheAlert) {
    CHandshakePeer peer;
    CSocket s = ConnectTo(peer.Address());
    ASSERT_TRUE(s);
    const CHandle event(::WSACreateEvent());
    WSAOVERLAPPED ov = {};
    ov.hEvent = event.Get();
    char buffer[4096];
    WSABUF in{sizeof buffer, buffer};
    DWORD dwFlags = 0;
    ASSERT_EQ(::WSARecv(s.Get(), &in, 1, nullptr, &dwFlags, &ov, nullptr), SOCKET_ERROR);
    ASSERT_EQ(::WSAGetLastError(), WSA_IO_PENDING);
    ASSERT_TRUE(SendAll(s.Get(), BuildClientHello("www.poker.example")));
    DWORD dwBytes = 0;
    ASSERT_TRUE(::WSAGetOverlappedResult(s.Get(), &ov, &dwBytes, TRUE, &dwFlags));
    EXPECT_EQ(std::string(buffer, dwBytes), kAccessDenied);
    EXPECT_EQ(ReceiveAll(s.Get()), "");
    EXPECT_EQ(peer.Received(), "");
}

// Carries bytes both ways between a client's connection and one to its server made through the
// layer, until both ends have finished; the sends to the server are overlapped or plain.
void Relay(SOCKET client, SOCKET server, bool bOverlapped) {
    bool bClientOpen = true;
    bool bServerOpen = true;
    std::vector<char> buffer(16384);
    while (bClientOpen || bServerOpen) {
        fd_set readable;
        FD_ZERO(&readable);
        if (bClientOpen) {
            FD_SET(client, &readable);
        }
        if (bServerOpen) {
            FD_SET(server, &readable);
        }
        timeval wait{static_cast<long>(kGuardMs / 1000), 0};
        if (::select(0, &readable, nullptr, nullptr, &wait) <= 0) {
            return;
        }
        for (const bool bFromClient : {true, false}) {
            const SOCKET from = bFromClient ? client : server;
            const SOCKET to = bFromClient ? server : client;
            bool& bOpen = bFromClient ? bClientOpen : bServerOpen;
            if (!bOpen || !FD_ISSET(from, &readable)) {
                continue;
            }
            const int n = ::recv(from, buffer.data(), static_cast<int>(buffer.size()), 0);
            if (n <= 0) {
                ::shutdown(to, SD_SEND);
                bOpen = false;
            } else if (bFromClient && bOverlapped) {
                Overlapped(to, true, {{static_cast<ULONG>(n), buffer.data()}}, Wait::kEvent);
            } else {
                SendAll(to, std::string(buffer.data(), static_cast<std::size_t>(n)));
            }
        }
    }
}

// What a real TLS client asking for `name`, and its server, report.
std::string RealHandshake(const std::string& name, bool bOverlapped) {
    CSocket listener(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    const sockaddr_in address = LoopbackAddress(0);
    ::bind(listener.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address);
    ::listen(listener.Get(), 1);
    const CTlsPeers peers(LocalPort(listener.Get()), name);
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(listener.Get(), &readable);
    timeval wait{static_cast<long>(kGuardMs / 1000), 0};
    if (!peers.Started() || ::select(0, &readable, nullptr, nullptr, &wait) != 1) {
        return "(no client)";
    }
    const CSocket client(::accept(listener.Get(), nullptr, nullptr));
    const CSocket server = ConnectTo(LoopbackAddress(peers.ServerPort()));
    if (!server) {
        return "(no server)";
    }
    Relay(client.Get(), server.Get(), bOverlapped);
    return peers.Result();
}

TEST_P(StrictHttpsTest, ARealTlsClientCompletesItsHandshakeOrIsRefusedByName) {
    EXPECT_EQ(RealHandshake("news.example", GetParam()), "server=ping;client=pong");
    const std::string refused = RealHandshake("poker.example", GetParam());
    EXPECT_EQ(refused.substr(0, 15), "server=nothing;") << refused;
    EXPECT_NE(refused.find("ACCESS_DENIED"), std::string::npos) << refused;
}

INSTANTIATE_TEST_SUITE_P(Sends, StrictHttpsTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& param) {
                             return param.param ? "Overlapped" : "Plain";
                         });

// One datagram through the layer (to the connected address when pTo is null); 0 when it was
// sent, else the error.
int SendDatagram(SOCKET s, const std::string& bytes, const sockaddr_in* pTo, bool bOverlapped) {
    WSABUF buffer{static_cast<ULONG>(bytes.size()), const_cast<char*>(bytes.data())};
    DWORD dwSent = 0;
    const CHandle event(::WSACreateEvent());
    WSAOVERLAPPED ov{};
    ov.hEvent = event.Get();
    LPWSAOVERLAPPED lpOverlapped = bOverlapped ? &ov : nullptr;
    const int iResult =
        pTo != nullptr
            ? ::WSASendTo(s, &buffer, 1, &dwSent, 0, reinterpret_cast<const sockaddr*>(pTo),
                          sizeof *pTo, lpOverlapped, nullptr)
            : ::WSASend(s, &buffer, 1, &dwSent, 0, lpOverlapped, nullptr);
    if (iResult == 0) {
        return 0;
    }
    const int iError = ::WSAGetLastError();
    if (iError != WSA_IO_PENDING) {
        return iError;
    }
    DWORD dwFlags = 0;
    return ::WSAGetOverlappedResult(s, &ov, &dwSent, TRUE, &dwFlags) ? 0 : ::WSAGetLastError();
}

TEST_F(StrictFilteringTest, QuicIsRefusedOnEveryPortAndOtherDatagramsPass) {
    // QUIC Initials' first bytes (long header; versions 1, 2 and draft 29), and a DNS query's.
    const std::vector<std::string> quic = {"\xC3\x00\x00\x00\x01\x08 connection id"s,
                                           "\xD3\x6b\x33\x43\xcf\x08 connection id"s,
                                           "\xC0\xff\x00\x00\x1d\x08 connection id"s};
    const std::string dns = "\x12\x34\x01\x00\x00\x01\x00\x00\x00\x00\x00\x00"s;
    const sockaddr_in dnsPort = LoopbackAddress(53);
    // The switch is read at a reload, which a connect brings; a browser has made many by the
    // time it tries QUIC.
    {
        CHandshakePeer peer;
        ASSERT_TRUE(ConnectTo(peer.Address()));
    }
    for (const bool bOverlapped : {false, true}) {
        SCOPED_TRACE(bOverlapped ? "overlapped" : "plain");
        CSocket udp(
            ::WSASocketW(AF_INET, SOCK_DGRAM, IPPROTO_UDP, nullptr, 0, WSA_FLAG_OVERLAPPED));
        ASSERT_TRUE(udp);
        for (const std::uint16_t uPort :
             {std::uint16_t{443}, std::uint16_t{4433}, std::uint16_t{53}}) {
            const sockaddr_in to = LoopbackAddress(uPort);
            for (const std::string& packet : quic) {
                EXPECT_EQ(SendDatagram(udp.Get(), packet, &to, bOverlapped), WSAEACCES) << uPort;
            }
            EXPECT_EQ(SendDatagram(udp.Get(), dns, &to, bOverlapped), 0) << uPort;
        }
        EXPECT_EQ(SendDatagram(udp.Get(), dns, &dnsPort, bOverlapped), 0);

        const sockaddr_in other = LoopbackAddress(4433);
        CSocket connected(
            ::WSASocketW(AF_INET, SOCK_DGRAM, IPPROTO_UDP, nullptr, 0, WSA_FLAG_OVERLAPPED));
        ASSERT_EQ(
            ::connect(connected.Get(), reinterpret_cast<const sockaddr*>(&other), sizeof other), 0);
        EXPECT_EQ(SendDatagram(connected.Get(), quic[0], nullptr, bOverlapped), WSAEACCES);
        EXPECT_EQ(SendDatagram(connected.Get(), dns, nullptr, bOverlapped), 0);
    }
}

}  // namespace
