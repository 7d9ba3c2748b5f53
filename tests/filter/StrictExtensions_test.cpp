// The extension functions the layer hands out with the strict switch on, called in this
// process through the host: which are handed out, and the judging of the message functions
// and TransmitPackets (ConnectEx and DisconnectEx: CompletionPortClient_test.cpp).
#include <winsock2.h>
#include <windows.h>

#include <mswsock.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "tests/filter/StrictFilteringTest.h"

namespace {

const GUID kStrictOnly[] = {WSAID_CONNECTEX, WSAID_DISCONNECTEX, WSAID_TRANSMITPACKETS,
                            WSAID_WSARECVMSG, WSAID_WSASENDMSG};
const GUID kAlways[] = {WSAID_TRANSMITFILE, WSAID_ACCEPTEX, WSAID_GETACCEPTEXSOCKADDRS};
// No function of any provider's.
const GUID kUnknown = {
    0x0badc0de, 0x1234, 0x5678, {0x9a, 0xbc, 0xde, 0xf0, 0x12, 0x34, 0x56, 0x78}};

// The function's pointer, or null with WSAGetLastError() telling why.
template <class Fn = void*>
Fn Extension(SOCKET s, GUID id) {
    Fn pfn = nullptr;
    DWORD dwBytes = 0;
    ::WSAIoctl(s, SIO_GET_EXTENSION_FUNCTION_POINTER, &id, sizeof id, &pfn, sizeof pfn, &dwBytes,
               nullptr, nullptr);
    return pfn;
}

CSocket Datagram() {
    CSocket s(::WSASocketW(AF_INET, SOCK_DGRAM, IPPROTO_UDP, nullptr, 0, WSA_FLAG_OVERLAPPED));
    const sockaddr_in address = LoopbackAddress(0);
    ::bind(s.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address);
    return s;
}

using StrictExtensionsTest = StrictFilteringTest;

// Each function the system's own provider has is handed out (Wine's has no TransmitPackets:
// a program then hears what it would hear without the layer).
TEST_F(StrictExtensionsTest, NoExtensionFunctionIsRefusedAndAnUnknownOneIsLoggedByName) {
    const CSocket s(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    WSAPROTOCOL_INFOW baseTcp = EnumCatalog()[4];
    const CSocket base(::WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, &baseTcp, 0, 0));
    for (const GUID& id : kStrictOnly) {
        const bool bBaseHasIt = Extension(base.Get(), id) != nullptr;
        EXPECT_EQ(Extension(s.Get(), id) != nullptr, bBaseHasIt) << id.Data1;
        if (!bBaseHasIt) {
            EXPECT_EQ(::WSAGetLastError(), WSAEINVAL);
        }
    }
    for (const GUID& id : kAlways) {
        EXPECT_NE(Extension(s.Get(), id), nullptr) << id.Data1;
    }
    EXPECT_EQ(Extension(s.Get(), kUnknown), nullptr);
    EXPECT_EQ(::WSAGetLastError(), WSAEINVAL);
    std::ifstream log(m_install.Folder() + "filtering_tests.Log");
    std::ostringstream text;
    text << log.rdbuf();
    EXPECT_NE(text.str().find("WSPIoctl :: Error = WSAEINVAL, extension function "
                              "{0BADC0DE-1234-5678-9ABC-DEF012345678} not handed out"),
              std::string::npos);
}

class StrictExtensionsCompatTest : public StrictFilteringTest {
protected:
    StrictExtensionsCompatTest() : StrictFilteringTest(Filtering::kCompat) {}
};

TEST_F(StrictExtensionsCompatTest, WithTheSwitchOffOnlyTheFramesOwnThreeAreHandedOut) {
    const CSocket s(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    for (const GUID& id : kStrictOnly) {
        EXPECT_EQ(Extension(s.Get(), id), nullptr) << id.Data1;
        EXPECT_EQ(::WSAGetLastError(), WSAEINVAL);
    }
    for (const GUID& id : kAlways) {
        EXPECT_NE(Extension(s.Get(), id), nullptr) << id.Data1;
    }
}

TEST_F(StrictExtensionsTest, MessagesAreJudgedAsSendsAndReceived) {
    const CSocket sender = Datagram();
    const CSocket receiver = Datagram();
    const auto sendMsg = Extension<LPFN_WSASENDMSG>(sender.Get(), WSAID_WSASENDMSG);
    const auto recvMsg = Extension<LPFN_WSARECVMSG>(receiver.Get(), WSAID_WSARECVMSG);
    ASSERT_NE(sendMsg, nullptr);
    ASSERT_NE(recvMsg, nullptr);

    // A QUIC Initial to port 443 never leaves.
    char quic[] = "\xc3\x00\x00\x00\x01 QUIC Initial";
    WSABUF quicBuffer{sizeof quic - 1, quic};
    sockaddr_in https = LoopbackAddress(443);
    WSAMSG quicMessage{reinterpret_cast<sockaddr*>(&https), sizeof https, &quicBuffer, 1, {}, 0};
    DWORD dwSent = 0;
    EXPECT_EQ(sendMsg(sender.Get(), &quicMessage, 0, &dwSent, nullptr, nullptr), SOCKET_ERROR);
    EXPECT_EQ(::WSAGetLastError(), WSAEACCES);

    // Any other datagram goes, and an overlapped WSARecvMsg gets it with its sender.
    char in[64] = {};
    WSABUF inBuffer{sizeof in, in};
    sockaddr_in from{};
    WSAMSG received{reinterpret_cast<sockaddr*>(&from), sizeof from, &inBuffer, 1, {}, 0};
    const CHandle event(::WSACreateEvent());
    WSAOVERLAPPED ov{};
    ov.hEvent = event.Get();
    const int iStarted = recvMsg(receiver.Get(), &received, nullptr, &ov, nullptr);
    ASSERT_TRUE(iStarted == 0 || ::WSAGetLastError() == WSA_IO_PENDING);
    char hello[] = "\x40 a short header";
    WSABUF helloBuffer{sizeof hello - 1, hello};
    sockaddr_in to = LoopbackAddress(LocalPort(receiver.Get()));
    WSAMSG helloMessage{reinterpret_cast<sockaddr*>(&to), sizeof to, &helloBuffer, 1, {}, 0};
    ASSERT_EQ(sendMsg(sender.Get(), &helloMessage, 0, &dwSent, nullptr, nullptr), 0);
    EXPECT_EQ(dwSent, sizeof hello - 1);
    ASSERT_EQ(::WaitForSingleObject(event.Get(), kGuardMs), WAIT_OBJECT_0);
    DWORD dwBytes = 0;
    DWORD dwFlags = 0;
    ASSERT_TRUE(::WSAGetOverlappedResult(receiver.Get(), &ov, &dwBytes, FALSE, &dwFlags));
    EXPECT_EQ(std::string(in, dwBytes), std::string(hello, sizeof hello - 1));
    EXPECT_EQ(ntohs(from.sin_port), LocalPort(sender.Get()));
}

TEST_F(StrictExtensionsTest, TransmitPacketsMemoryIsJudgedAsOneSend) {
    CKeepAliveServer web;
    CSocket s = ConnectTo(web.Address());
    ASSERT_TRUE(s);
    const auto transmit = Extension<LPFN_TRANSMITPACKETS>(s.Get(), WSAID_TRANSMITPACKETS);
    if (transmit == nullptr) {
        GTEST_SKIP() << "this Winsock has no TransmitPackets: " << ::WSAGetLastError();
    }
    // The head split over two elements, as a server's header and body would be.
    char line[] = "GET /poker/tables HTTP/1.1\r\n";
    char rest[] = "Host: games.example\r\n\r\n";
    TRANSMIT_PACKETS_ELEMENT elements[2] = {};
    elements[0] = {TP_ELEMENT_MEMORY, sizeof line - 1, {}};
    elements[0].pBuffer = line;
    elements[1] = {TP_ELEMENT_MEMORY, sizeof rest - 1, {}};
    elements[1].pBuffer = rest;
    const CHandle event(::WSACreateEvent());
    OVERLAPPED ov{};
    ov.hEvent = event.Get();
    ASSERT_TRUE(transmit(s.Get(), elements, 2, 0, &ov, 0) || ::WSAGetLastError() == WSA_IO_PENDING);
    ASSERT_EQ(::WaitForSingleObject(event.Get(), kGuardMs), WAIT_OBJECT_0);
    ::shutdown(s.Get(), SD_SEND);
    const std::string answer = ReceiveAll(s.Get());
    EXPECT_EQ(answer.substr(0, 17), "HTTP/1.0 200 OK\r\n");
    EXPECT_NE(answer.find("URL Word applied is: <span style='color:blue'>poker</span>"),
              std::string::npos);
}

}  // namespace
