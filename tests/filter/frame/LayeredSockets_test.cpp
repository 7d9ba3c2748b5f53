// Applications' sockets through the host with FilterLsp.dll layered over the base provider,
// against real peers on 127.0.0.1.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <ws2spi.h>

#include <mswsock.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "tests/support/LayeredSessionTest.h"
#include "tests/support/LoopbackPeer.h"
#include "tests/support/PythonHttpServer.h"
#include "tests/support/QuietInstallation.h"
#include "tests/support/ScopedCatalog.h"
#include "tests/support/TempPath.h"
#include "tests/support/WinsockSession.h"
#include "wsock/host/HostExtensions.h"

namespace {

int ProtocolInfoError(SOCKET s, int optname, int len) {
    char buf[sizeof(WSAPROTOCOL_INFOW)];
    return ::getsockopt(s, SOL_SOCKET, optname, buf, &len) == SOCKET_ERROR ? ::WSAGetLastError()
                                                                           : 0;
}

WSAPROTOCOL_INFOW ProtocolOf(SOCKET s) {
    WSAPROTOCOL_INFOW info{};
    int len = sizeof info;
    ::getsockopt(s, SOL_SOCKET, SO_PROTOCOL_INFOW, reinterpret_cast<char*>(&info), &len);
    return info;
}

CSocket ConnectTo(const CLoopbackPeer& peer) {
    CSocket s(::socket(AF_INET, SOCK_STREAM, 0));
    const sockaddr_in addr = peer.Address();
    if (::connect(s.Get(), reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
        s.Reset();
    }
    return s;
}

using LayeredSockets = LayeredSessionTest;

TEST_F(LayeredSockets, SocketsReportTheChainRecordNotTheNextProviders) {
    CSocket s(::socket(AF_INET, SOCK_STREAM, 0));
    ASSERT_TRUE(s);
    EXPECT_EQ(ProtocolInfoError(s.Get(), SO_PROTOCOL_INFOW, sizeof(WSAPROTOCOL_INFOW) - 1),
              WSAEFAULT);
    const WSAPROTOCOL_INFOW info = ProtocolOf(s.Get());
    EXPECT_EQ(info.ProtocolChain.ChainLen, 2);
    EXPECT_TRUE(IsEqualGUID(info.ProviderId, kChainProviderGuid));
    EXPECT_THAT(std::wstring(info.szProtocol), ::testing::StartsWith(L"Parental Control over"));

    EXPECT_EQ(ProtocolInfoError(s.Get(), SO_PROTOCOL_INFOA, sizeof(WSAPROTOCOL_INFOA) - 1),
              WSAEFAULT);
    WSAPROTOCOL_INFOA ansi{};
    int len = sizeof ansi;
    ASSERT_EQ(
        ::getsockopt(s.Get(), SOL_SOCKET, SO_PROTOCOL_INFOA, reinterpret_cast<char*>(&ansi), &len),
        0);
    EXPECT_EQ(ansi.dwCatalogEntryId, info.dwCatalogEntryId);
    EXPECT_STREQ(ansi.szProtocol, "Parental Control over Stand-in Tcpip [TCP/IP]");
}

TEST_F(LayeredSockets, TcpAndUdpCarryDataBothWays) {
    CLoopbackPeer peer(CLoopbackPeer::Echo);
    CSocket s = ConnectTo(peer);
    ASSERT_TRUE(s);
    std::string request(70000, '\0');
    for (size_t i = 0; i < request.size(); ++i) {
        request[i] = static_cast<char>(i * 7);
    }
    ASSERT_TRUE(SendAll(s.Get(), request));
    ASSERT_EQ(::shutdown(s.Get(), SD_SEND), 0);
    EXPECT_EQ(ReceiveAll(s.Get()), request);
    EXPECT_EQ(::closesocket(s.Release()), 0);

    CSocket server(::socket(AF_INET, SOCK_DGRAM, 0));
    CSocket client(::socket(AF_INET, SOCK_DGRAM, 0));
    EXPECT_EQ(ProtocolOf(client.Get()).ProtocolChain.ChainLen, 2);
    sockaddr_in addr = LoopbackAddress(0);
    ASSERT_EQ(::bind(server.Get(), reinterpret_cast<const sockaddr*>(&addr), sizeof addr), 0);
    addr = LoopbackAddress(LocalPort(server.Get()));
    ASSERT_EQ(::sendto(client.Get(), "datagram", 8, 0, reinterpret_cast<const sockaddr*>(&addr),
                       sizeof addr),
              8);
    char buf[16];
    ASSERT_EQ(::recvfrom(server.Get(), buf, sizeof buf, 0, nullptr, nullptr), 8);
    EXPECT_EQ(std::string(buf, 8), "datagram");
}

TEST_F(LayeredSockets, SelectNamesEachReadySocketOnceAndRefusesOversizedSets) {
    CLoopbackPeer peer([](SOCKET s) {
        SendAll(s, "ready");
        ReceiveAll(s);
    });
    CSocket s = ConnectTo(peer);
    CSocket idle(::socket(AF_INET, SOCK_STREAM, 0));
    ASSERT_TRUE(s && idle);
    fd_set readable;
    FD_ZERO(&readable);
    readable.fd_array[0] = s.Get();
    readable.fd_array[1] = idle.Get();
    readable.fd_array[2] = s.Get();
    readable.fd_count = 3;
    timeval wait{5, 0};
    ASSERT_EQ(::select(0, &readable, nullptr, nullptr, &wait), 1);
    ASSERT_EQ(readable.fd_count, 1u);
    EXPECT_EQ(readable.fd_array[0], s.Get());

    struct {
        u_int fd_count;
        SOCKET fd_array[65];
    } oversized{};
    oversized.fd_count = 65;
    for (SOCKET& entry : oversized.fd_array) {
        entry = s.Get();
    }
    EXPECT_EQ(::select(0, reinterpret_cast<fd_set*>(&oversized), nullptr, nullptr, &wait),
              SOCKET_ERROR);
    EXPECT_EQ(::WSAGetLastError(), WSAENOBUFS);
    ::shutdown(s.Get(), SD_SEND);
}

TEST_F(LayeredSockets, ExtensionFunctionsComeFromTheFrameOrAreRefused) {
    CSocket s(::socket(AF_INET, SOCK_STREAM, 0));
    GUID connectEx = WSAID_CONNECTEX;
    void* pfn = nullptr;
    DWORD dwBytes = 0;
    EXPECT_EQ(::WSAIoctl(s.Get(), SIO_GET_EXTENSION_FUNCTION_POINTER, &connectEx, sizeof connectEx,
                         &pfn, sizeof pfn, &dwBytes, nullptr, nullptr),
              SOCKET_ERROR);
    EXPECT_EQ(::WSAGetLastError(), WSAEINVAL);

    GUID acceptEx = WSAID_ACCEPTEX;
    ASSERT_EQ(::WSAIoctl(s.Get(), SIO_GET_EXTENSION_FUNCTION_POINTER, &acceptEx, sizeof acceptEx,
                         &pfn, sizeof pfn, &dwBytes, nullptr, nullptr),
              0);
    HMODULE hFrame = ::GetModuleHandleW(L"FilterLsp.dll");
    HMODULE hOwner = nullptr;
    ::GetModuleHandleExW(
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        static_cast<LPCWSTR>(pfn), &hOwner);
    EXPECT_EQ(hOwner, hFrame);

    SOCKET sTarget = INVALID_SOCKET;
    ASSERT_EQ(::WSAIoctl(s.Get(), SIO_QUERY_TARGET_PNP_HANDLE, nullptr, 0, &sTarget, sizeof sTarget,
                         &dwBytes, nullptr, nullptr),
              0);
    EXPECT_EQ(dwBytes, sizeof(SOCKET));
    EXPECT_NE(sTarget, s.Get());
    EXPECT_NE(sTarget, INVALID_SOCKET);
}

TEST_F(LayeredSockets, DuplicatedSocketsAreServedByTheNextProvider) {
    CSocket s(::socket(AF_INET, SOCK_STREAM, 0));
    sockaddr_in addr = LoopbackAddress(0);
    ASSERT_EQ(::bind(s.Get(), reinterpret_cast<const sockaddr*>(&addr), sizeof addr), 0);
    WSAPROTOCOL_INFOW info{};
    ASSERT_EQ(::WSADuplicateSocketW(s.Get(), ::GetCurrentProcessId(), &info), 0);
    EXPECT_EQ(info.ProtocolChain.ChainLen, BASE_PROTOCOL);
    CSocket copy(
        ::WSASocketW(FROM_PROTOCOL_INFO, FROM_PROTOCOL_INFO, FROM_PROTOCOL_INFO, &info, 0, 0));
    ASSERT_TRUE(copy);
    EXPECT_EQ(LocalPort(copy.Get()), LocalPort(s.Get()));
}

// What the peer received and what the client received, for one request/response exchange.
std::pair<std::string, std::string> Exchange(bool bLayered) {
    const CScopedCatalog catalog(bLayered ? CScopedCatalog::Layer::kChains
                                          : CScopedCatalog::Layer::kNone);
    const CWinsockSession session;
    std::string peerReceived;
    std::string clientReceived;
    {
        CLoopbackPeer peer([&](SOCKET s) {
            peerReceived = ReceiveAll(s);
            SendAll(s, std::string(2048, 'r') + "end");
        });
        CSocket s = ConnectTo(peer);
        EXPECT_EQ(ProtocolOf(s.Get()).ProtocolChain.ChainLen, bLayered ? 2 : 1);
        SendAll(s.Get(), "GET / HTTP/1.0\r\nHost: example.test\r\n\r\n" + std::string(160, 'b'));
        ::shutdown(s.Get(), SD_SEND);
        clientReceived = ReceiveAll(s.Get());
    }
    return {peerReceived, clientReceived};
}

TEST(LayeredWire, BytesOnTheWireAreTheSameWithAndWithoutTheLayer) {
    const CQuietInstallation log;
    const auto plain = Exchange(false);
    const auto layered = Exchange(true);
    EXPECT_EQ(plain.first.size(), 198u);
    EXPECT_EQ(layered.first, plain.first);
    EXPECT_EQ(layered.second, plain.second);
}

// The body of an HTTP response (after its head), or the whole text when it has no head.
std::string Body(const std::string& response) {
    const size_t nHead = response.find("\r\n\r\n");
    return nHead == std::string::npos ? response : response.substr(nHead + 4);
}

TEST(LayeredWire, PythonHttpServerAnswersTheSameThroughTheLayer) {
    const CQuietInstallation log;
    std::string plain;
    std::string layered;
    // Made in the first session: finding a free port takes a socket.
    std::optional<CPythonHttpServer> server;
    {
        const CScopedCatalog catalog(CScopedCatalog::Layer::kNone);
        const CWinsockSession session;
        server.emplace(3);
        ASSERT_TRUE(server->Ready());
        plain = server->Get("/");
    }
    {
        const CScopedCatalog catalog(CScopedCatalog::Layer::kChains);
        const CWinsockSession session;
        layered = server->Get("/");
    }
    EXPECT_THAT(plain, ::testing::StartsWith("HTTP/1.0 200 OK\r\n"));
    EXPECT_THAT(layered, ::testing::StartsWith("HTTP/1.0 200 OK\r\n"));
    EXPECT_FALSE(Body(plain).empty());
    EXPECT_EQ(Body(layered), Body(plain));
}

// Overlapped receives and sends complete for the application alike with and without the
// layer (which issues them with records of its own).
TEST(LayeredWire, OverlappedSendAndReceiveCompleteWithAndWithoutTheLayer) {
    const CQuietInstallation log;
    for (const auto layer : {CScopedCatalog::Layer::kNone, CScopedCatalog::Layer::kChains}) {
        const CScopedCatalog catalog(layer);
        const CWinsockSession session;
        CLoopbackPeer peer([](SOCKET sPeer) {
            char buf[8];
            int nDone = 0;
            while (nDone < 8) {
                const int n = ::recv(sPeer, buf + nDone, 8 - nDone, 0);
                if (n <= 0) {
                    return;
                }
                nDone += n;
            }
            ::send(sPeer, buf, 8, 0);
            ReceiveAll(sPeer);
        });
        CSocket s = ConnectTo(peer);
        ASSERT_TRUE(s);
        char in[8] = {};
        WSABUF inBuf{sizeof in, in};
        WSAOVERLAPPED recvOv{};
        const CHandle recvEvent(::WSACreateEvent());
        recvOv.hEvent = recvEvent.Get();
        DWORD dwFlags = 0;
        const int iRecv = ::WSARecv(s.Get(), &inBuf, 1, nullptr, &dwFlags, &recvOv, nullptr);
        ASSERT_TRUE(iRecv == 0 || ::WSAGetLastError() == WSA_IO_PENDING);

        char out[] = "overlap!";
        WSABUF outBuf{8, out};
        WSAOVERLAPPED sendOv{};
        const CHandle sendEvent(::WSACreateEvent());
        sendOv.hEvent = sendEvent.Get();
        const int iSend = ::WSASend(s.Get(), &outBuf, 1, nullptr, 0, &sendOv, nullptr);
        ASSERT_TRUE(iSend == 0 || ::WSAGetLastError() == WSA_IO_PENDING);
        DWORD dwBytes = 0;
        EXPECT_TRUE(::WSAGetOverlappedResult(s.Get(), &sendOv, &dwBytes, TRUE, &dwFlags));
        EXPECT_EQ(dwBytes, 8u);

        ASSERT_EQ(::WaitForSingleObject(recvOv.hEvent, 5000), WAIT_OBJECT_0);
        EXPECT_TRUE(::WSAGetOverlappedResult(s.Get(), &recvOv, &dwBytes, FALSE, &dwFlags));
        EXPECT_EQ(dwBytes, 8u);
        EXPECT_EQ(std::string(in, 8), "overlap!");
        ::shutdown(s.Get(), SD_SEND);
        ReceiveAll(s.Get());
    }
}

TEST_F(LayeredSockets, AcceptExAndTransmitFileWorkOnTheFramesHandles) {
    CSocket listener(::socket(AF_INET, SOCK_STREAM, 0));
    sockaddr_in addr = LoopbackAddress(0);
    ASSERT_EQ(::bind(listener.Get(), reinterpret_cast<const sockaddr*>(&addr), sizeof addr), 0);
    ASSERT_EQ(::listen(listener.Get(), 4), 0);
    LPFN_ACCEPTEX pfnAcceptEx = nullptr;
    LPFN_TRANSMITFILE pfnTransmitFile = nullptr;
    GUID acceptExId = WSAID_ACCEPTEX;
    GUID transmitFileId = WSAID_TRANSMITFILE;
    DWORD dwBytes = 0;
    ASSERT_EQ(
        ::WSAIoctl(listener.Get(), SIO_GET_EXTENSION_FUNCTION_POINTER, &acceptExId,
                   sizeof acceptExId, &pfnAcceptEx, sizeof pfnAcceptEx, &dwBytes, nullptr, nullptr),
        0);
    ASSERT_EQ(::WSAIoctl(listener.Get(), SIO_GET_EXTENSION_FUNCTION_POINTER, &transmitFileId,
                         sizeof transmitFileId, &pfnTransmitFile, sizeof pfnTransmitFile, &dwBytes,
                         nullptr, nullptr),
              0);

    CSocket accepted(::socket(AF_INET, SOCK_STREAM, 0));
    char addresses[2 * (sizeof(sockaddr_in) + 16)];
    WSAOVERLAPPED ov{};
    const CHandle acceptEvent(::WSACreateEvent());
    ov.hEvent = acceptEvent.Get();
    const BOOL bDone =
        pfnAcceptEx(listener.Get(), accepted.Get(), addresses, 0, sizeof(sockaddr_in) + 16,
                    sizeof(sockaddr_in) + 16, &dwBytes, &ov);
    ASSERT_TRUE(bDone || ::WSAGetLastError() == ERROR_IO_PENDING);
    CSocket client(::socket(AF_INET, SOCK_STREAM, 0));
    addr = LoopbackAddress(LocalPort(listener.Get()));
    ASSERT_EQ(::connect(client.Get(), reinterpret_cast<const sockaddr*>(&addr), sizeof addr), 0);
    ASSERT_EQ(::WaitForSingleObject(ov.hEvent, 5000), WAIT_OBJECT_0);
    DWORD dwFlags = 0;
    EXPECT_TRUE(::WSAGetOverlappedResult(listener.Get(), &ov, &dwBytes, FALSE, &dwFlags));
    // The option names the listener by its application handle; the frame translates it.
    const SOCKET sListen = listener.Get();
    ASSERT_EQ(::setsockopt(accepted.Get(), SOL_SOCKET, SO_UPDATE_ACCEPT_CONTEXT,
                           reinterpret_cast<const char*>(&sListen), sizeof sListen),
              0);
    sockaddr_in peerName{};
    int len = sizeof peerName;
    ASSERT_EQ(::getpeername(accepted.Get(), reinterpret_cast<sockaddr*>(&peerName), &len), 0);
    EXPECT_EQ(ntohs(peerName.sin_port), LocalPort(client.Get()));

    const CTempPath file("transmit");
    const std::string content(5000, 'f');
    file.WriteFile(content);
    const CFileHandle hFile(::CreateFileA(file.String().c_str(), GENERIC_READ, FILE_SHARE_READ,
                                          nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(hFile);
    ASSERT_TRUE(pfnTransmitFile(accepted.Get(), hFile.Get(), 0, 0, nullptr, nullptr, 0));
    ::shutdown(accepted.Get(), SD_SEND);
    EXPECT_EQ(ReceiveAll(client.Get()), content);
}

TEST_F(LayeredSockets, EventSelectIoctlsOptionsAndAddressConversionsPassThrough) {
    CLoopbackPeer peer([](SOCKET sPeer) {
        SendAll(sPeer, "12345");
        ReceiveAll(sPeer);
    });
    CSocket s = ConnectTo(peer);
    ASSERT_TRUE(s);
    const CHandle event(::WSACreateEvent());
    ASSERT_EQ(::WSAEventSelect(s.Get(), event.Get(), FD_READ | FD_CLOSE), 0);
    ASSERT_EQ(::WaitForSingleObject(event.Get(), 5000), WAIT_OBJECT_0);
    WSANETWORKEVENTS events{};
    ASSERT_EQ(::WSAEnumNetworkEvents(s.Get(), event.Get(), &events), 0);
    EXPECT_NE(events.lNetworkEvents & FD_READ, 0);
    ASSERT_EQ(::WSAEventSelect(s.Get(), nullptr, 0), 0);

    u_long nPending = 0;
    ASSERT_EQ(::ioctlsocket(s.Get(), FIONREAD, &nPending), 0);
    EXPECT_EQ(nPending, 5u);
    u_long bNonBlocking = 1;
    ASSERT_EQ(::ioctlsocket(s.Get(), FIONBIO, &bNonBlocking), 0);
    char buf[16];
    ASSERT_EQ(::recv(s.Get(), buf, sizeof buf, 0), 5);
    EXPECT_EQ(::recv(s.Get(), buf, sizeof buf, 0), SOCKET_ERROR);
    EXPECT_EQ(::WSAGetLastError(), WSAEWOULDBLOCK);

    int iType = 0;
    int len = sizeof iType;
    ASSERT_EQ(::getsockopt(s.Get(), SOL_SOCKET, SO_TYPE, reinterpret_cast<char*>(&iType), &len), 0);
    EXPECT_EQ(iType, SOCK_STREAM);

    sockaddr_in6 addr6{};
    int len6 = sizeof addr6;
    wchar_t szText[] = L"[::1]:8080";
    ASSERT_EQ(::WSAStringToAddressW(szText, AF_INET6, nullptr, reinterpret_cast<sockaddr*>(&addr6),
                                    &len6),
              0);
    EXPECT_EQ(ntohs(addr6.sin6_port), 8080);
    wchar_t szBack[64];
    DWORD nBack = 64;
    ASSERT_EQ(::WSAAddressToStringW(reinterpret_cast<sockaddr*>(&addr6), sizeof addr6, nullptr,
                                    szBack, &nBack),
              0);
    EXPECT_STREQ(szBack, L"[::1]:8080");
    ::shutdown(s.Get(), SD_SEND);
}

TEST_F(LayeredSockets, ManyThreadsMakeUseAndCloseSocketsAtOnce) {
    constexpr int kThreads = 8;
    constexpr int kRounds = 25;
    CLoopbackPeer peer(CLoopbackPeer::Echo, kThreads * kRounds);
    std::atomic<int> nGood{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kRounds; ++i) {
                // A UDP socket alongside, so that two chains' lists change at once.
                CSocket extra(::socket(AF_INET, SOCK_DGRAM, 0));
                CSocket s = ConnectTo(peer);
                const std::string text =
                    "thread " + std::to_string(t) + " round " + std::to_string(i);
                if (s && extra && SendAll(s.Get(), text) && ::shutdown(s.Get(), SD_SEND) == 0 &&
                    ReceiveAll(s.Get()) == text) {
                    ++nGood;
                }
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(nGood.load(), kThreads * kRounds);
}

TEST(LayeredCleanup, LastCleanupResetsTheSocketsLeftOpen) {
    const CQuietInstallation log;
    const CScopedCatalog catalog(CScopedCatalog::Layer::kChains);
    auto session = std::make_unique<CWinsockSession>();
    std::atomic<bool> bAccepted{false};
    std::atomic<bool> bEnded{false};
    std::string received;
    {
        CLoopbackPeer peer([&](SOCKET sPeer) {
            bAccepted = true;
            received = ReceiveAll(sPeer);
            bEnded = true;
        });
        CSocket s = ConnectTo(peer);
        ASSERT_TRUE(s);
        ASSERT_TRUE(SendAll(s.Get(), "left open"));
        // The clean-up closes the peer's listener too, so it must have accepted by then.
        for (int i = 0; i < 500 && !bAccepted; ++i) {
            ::Sleep(10);
        }
        // The application never closes it; the frame's clean-up must.
        const SOCKET sLeft = s.Release();
        DWORD_PTR context = 0;
        int iError = 0;
        ASSERT_EQ(WshUpcallTable()->lpWPUQuerySocketHandleContext(sLeft, &context, &iError), 0);
        session.reset();
        // The frame closed the application's handle and its next provider's socket.
        EXPECT_EQ(WshUpcallTable()->lpWPUQuerySocketHandleContext(sLeft, &context, &iError),
                  SOCKET_ERROR);
        EXPECT_EQ(::closesocket(sLeft), SOCKET_ERROR);
        EXPECT_EQ(::WSAGetLastError(), WSANOTINITIALISED);
    }
    EXPECT_TRUE(bEnded.load());
    EXPECT_EQ(received, "left open");
}

}  // namespace
