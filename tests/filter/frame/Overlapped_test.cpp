// Overlapped operations through the host with FilterLsp.dll layered over the base provider,
// against real peers on 127.0.0.1: the frame issues them with its own records and completes
// the application's.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <ws2spi.h>

#include <mswsock.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/LoopbackPeer.h"
#include "tests/support/QuietInstallation.h"
#include "tests/support/ScopedCatalog.h"
#include "tests/support/TempPath.h"
#include "tests/support/WinsockSession.h"
#include "win/UniqueHandle.h"
#include "wsock/host/HostExtensions.h"

namespace {

// Only a guard against a hang: every wait below ends on an event long before.
constexpr DWORD kGuardMs = 20000;

// An overlapped record with its own event.
struct COverlapped {
    CHandle event{::WSACreateEvent()};
    WSAOVERLAPPED ov{};
    COverlapped() { ov.hEvent = event.Get(); }
    bool Wait() const { return ::WaitForSingleObject(event.Get(), kGuardMs) == WAIT_OBJECT_0; }
    bool Signalled() const { return ::WaitForSingleObject(event.Get(), 0) == WAIT_OBJECT_0; }
};

bool Started(int iResult) {
    return iResult == 0 || ::WSAGetLastError() == WSA_IO_PENDING;
}

int Receive(SOCKET s, char* buf, ULONG len, WSAOVERLAPPED* ov,
            LPWSAOVERLAPPED_COMPLETION_ROUTINE routine = nullptr) {
    WSABUF wsabuf{len, buf};
    DWORD dwFlags = 0;
    return ::WSARecv(s, &wsabuf, 1, nullptr, &dwFlags, ov, routine);
}

int Send(SOCKET s, const char* buf, ULONG len, WSAOVERLAPPED* ov,
         LPWSAOVERLAPPED_COMPLETION_ROUTINE routine = nullptr) {
    WSABUF wsabuf{len, const_cast<char*>(buf)};
    return ::WSASend(s, &wsabuf, 1, nullptr, 0, ov, routine);
}

// Two connected layered sockets, made through a layered listener.
struct CPair {
    CSocket client;
    CSocket server;
};

CSocket Listen() {
    CSocket listener(::socket(AF_INET, SOCK_STREAM, 0));
    const sockaddr_in addr = LoopbackAddress(0);
    if (::bind(listener.Get(), reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(listener.Get(), SOMAXCONN) != 0) {
        listener.Reset();
    }
    return listener;
}

CPair Connect(SOCKET listener) {
    CPair pair;
    pair.client.Reset(::socket(AF_INET, SOCK_STREAM, 0));
    const sockaddr_in addr = LoopbackAddress(LocalPort(listener));
    if (::connect(pair.client.Get(), reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0) {
        pair.server.Reset(::accept(listener, nullptr, nullptr));
    }
    return pair;
}

bool HandleKnown(SOCKET s) {
    DWORD_PTR context = 0;
    int iError = 0;
    return WshUpcallTable()->lpWPUQuerySocketHandleContext(s, &context, &iError) == 0;
}

// Every log record the frame wrote in the installation's folder.
std::string FrameLogText(const CQuietInstallation& installation) {
    std::string text;
    for (const auto& entry : std::filesystem::directory_iterator(installation.Folder())) {
        if (entry.path().extension() == ".Log") {
            std::ifstream file(entry.path(), std::ios::binary);
            std::ostringstream content;
            content << file.rdbuf();
            text += content.str();
        }
    }
    return text;
}

// Wine's code for a receive cut short by a close (winerror.h names it ERROR_HANDLES_CLOSED).
constexpr DWORD kHandlesClosed = 676;

constexpr char kCleanLog[] = "WSPCleanup :: socket records left 0, overlapped records in use 0";

class OverlappedLayer : public ::testing::Test {
protected:
    CQuietInstallation m_log{3};
    CScopedCatalog m_catalog{CScopedCatalog::Layer::kChains};
    std::unique_ptr<CWinsockSession> m_session = std::make_unique<CWinsockSession>();
    CSocket m_listener = Listen();

    // Ends the session and checks the last clean-up found nothing left over.
    void ExpectCleanEnd() {
        m_listener.Reset();
        m_session.reset();
        EXPECT_NE(FrameLogText(m_log).find(kCleanLog), std::string::npos);
    }
};

TEST_F(OverlappedLayer, EventsAndResultQueriesWithAndWithoutWait) {
    CPair pair = Connect(m_listener.Get());
    ASSERT_TRUE(pair.client && pair.server);
    char in[8] = {};
    COverlapped recv;
    ASSERT_TRUE(Started(Receive(pair.client.Get(), in, sizeof in, &recv.ov)));
    DWORD dwBytes = 0;
    DWORD dwFlags = 0;
    // Nothing has been sent yet, so the receive cannot have completed.
    EXPECT_FALSE(::WSAGetOverlappedResult(pair.client.Get(), &recv.ov, &dwBytes, FALSE, &dwFlags));
    EXPECT_EQ(::WSAGetLastError(), WSA_IO_INCOMPLETE);
    EXPECT_FALSE(recv.Signalled());

    COverlapped send;
    ASSERT_TRUE(Started(Send(pair.server.Get(), "overlap!", 8, &send.ov)));
    EXPECT_TRUE(::WSAGetOverlappedResult(pair.server.Get(), &send.ov, &dwBytes, TRUE, &dwFlags));
    EXPECT_EQ(dwBytes, 8u);
    ASSERT_TRUE(recv.Wait());
    EXPECT_TRUE(::WSAGetOverlappedResult(pair.client.Get(), &recv.ov, &dwBytes, FALSE, &dwFlags));
    EXPECT_EQ(dwBytes, 8u);
    EXPECT_EQ(recv.ov.Offset, 0u);
    EXPECT_EQ(std::string(in, 8), "overlap!");

    // The end of the stream completes a receive with 0 bytes.
    ASSERT_EQ(::shutdown(pair.server.Get(), SD_SEND), 0);
    COverlapped end;
    ASSERT_TRUE(Started(Receive(pair.client.Get(), in, sizeof in, &end.ov)));
    EXPECT_TRUE(::WSAGetOverlappedResult(pair.client.Get(), &end.ov, &dwBytes, TRUE, &dwFlags));
    EXPECT_EQ(dwBytes, 0u);
    pair = {};
    ExpectCleanEnd();
}

struct RoutineCall {
    DWORD dwError = 0xFFFFFFFF;
    DWORD cbTransferred = 0;
    DWORD dwThread = 0;
    int nCalls = 0;
};
RoutineCall gRecvCall;
RoutineCall gSendCall;

void Record(RoutineCall& call, DWORD dwError, DWORD cbTransferred) {
    call.dwError = dwError;
    call.cbTransferred = cbTransferred;
    call.dwThread = ::GetCurrentThreadId();
    ++call.nCalls;
}

void CALLBACK RecvDone(DWORD dwError, DWORD cbTransferred, LPWSAOVERLAPPED, DWORD) {
    Record(gRecvCall, dwError, cbTransferred);
}

void CALLBACK SendDone(DWORD dwError, DWORD cbTransferred, LPWSAOVERLAPPED, DWORD) {
    Record(gSendCall, dwError, cbTransferred);
}

// Waits alertably until both routines have run; false on the guard.
bool AwaitRoutines() {
    const ULONGLONG uEnd = ::GetTickCount64() + kGuardMs;
    while (gRecvCall.nCalls == 0 || gSendCall.nCalls == 0) {
        if (::GetTickCount64() > uEnd) {
            return false;
        }
        ::SleepEx(kGuardMs, TRUE);
    }
    return true;
}

TEST_F(OverlappedLayer, CompletionRoutinesRunOnTheCallersThreadInAnAlertableWait) {
    CPair pair = Connect(m_listener.Get());
    ASSERT_TRUE(pair.client && pair.server);
    gRecvCall = {};
    gSendCall = {};
    char in[5] = {};
    WSAOVERLAPPED recvOv{};
    WSAOVERLAPPED sendOv{};
    ASSERT_TRUE(Started(Receive(pair.client.Get(), in, sizeof in, &recvOv, RecvDone)));
    ASSERT_TRUE(Started(Send(pair.server.Get(), "hello", 5, &sendOv, SendDone)));
    // Never outside an alertable wait.
    EXPECT_EQ(gRecvCall.nCalls + gSendCall.nCalls, 0);
    ASSERT_TRUE(AwaitRoutines());
    EXPECT_EQ(gRecvCall.nCalls, 1);
    EXPECT_EQ(gRecvCall.dwError, 0u);
    EXPECT_EQ(gRecvCall.cbTransferred, 5u);
    EXPECT_EQ(gRecvCall.dwThread, ::GetCurrentThreadId());
    EXPECT_EQ(gSendCall.cbTransferred, 5u);
    EXPECT_EQ(gSendCall.dwThread, ::GetCurrentThreadId());
    EXPECT_EQ(std::string(in, 5), "hello");
    DWORD dwBytes = 0;
    DWORD dwFlags = 0;
    EXPECT_TRUE(::WSAGetOverlappedResult(pair.client.Get(), &recvOv, &dwBytes, FALSE, &dwFlags));
    EXPECT_EQ(dwBytes, 5u);
}

TEST_F(OverlappedLayer, AReceiveThatFailsAtOnceCompletesNothing) {
    CSocket unconnected(::socket(AF_INET, SOCK_STREAM, 0));
    ASSERT_TRUE(unconnected);
    char in[4];
    COverlapped recv;
    ASSERT_EQ(Receive(unconnected.Get(), in, sizeof in, &recv.ov), SOCKET_ERROR);
    const int iError = ::WSAGetLastError();
    EXPECT_NE(iError, WSA_IO_PENDING);
    EXPECT_EQ(recv.ov.Offset, static_cast<DWORD>(iError));
    EXPECT_FALSE(recv.Signalled());
    // The count it took is given back: the socket closes at once and leaves nothing behind.
    EXPECT_EQ(::closesocket(unconnected.Get()), 0);
    EXPECT_FALSE(HandleKnown(unconnected.Release()));
    ExpectCleanEnd();
}

TEST_F(OverlappedLayer, ClosingWithAReceivePendingFreesTheRecordAfterItsCompletion) {
    CPair pair = Connect(m_listener.Get());
    ASSERT_TRUE(pair.client && pair.server);
    char in[4];
    COverlapped recv;
    ASSERT_TRUE(Started(Receive(pair.client.Get(), in, sizeof in, &recv.ov)));
    const SOCKET s = pair.client.Release();
    EXPECT_EQ(::closesocket(s), 0);
    ASSERT_TRUE(recv.Wait());
    // Wine reports a receive cut short by a close as 676, Windows as 995.
    EXPECT_TRUE(recv.ov.Offset == kHandlesClosed || recv.ov.Offset == WSA_OPERATION_ABORTED)
        << recv.ov.Offset;
    EXPECT_NE(recv.ov.Internal, static_cast<ULONG_PTR>(WSS_OPERATION_IN_PROGRESS));
    // The handle goes right after the completion is delivered, on the manager's thread.
    const ULONGLONG uEnd = ::GetTickCount64() + kGuardMs;
    while (HandleKnown(s) && ::GetTickCount64() < uEnd) {
        ::Sleep(1);
    }
    EXPECT_FALSE(HandleKnown(s));
    pair = {};
    // Freed once: the last clean-up finds no record and no operation left.
    ExpectCleanEnd();
}

// An application that closes its sockets with receives pending and ends Winsock at once: the
// last completions reach the manager while the clean-up stops it.
TEST_F(OverlappedLayer, CleanupRightAfterClosingWithReceivesPending) {
    constexpr int kPairs = 8;
    std::vector<CPair> pairs;
    std::vector<std::unique_ptr<COverlapped>> records;
    char in[kPairs];
    for (int i = 0; i < kPairs; ++i) {
        pairs.push_back(Connect(m_listener.Get()));
        ASSERT_TRUE(pairs.back().client && pairs.back().server);
        records.push_back(std::make_unique<COverlapped>());
        ASSERT_TRUE(Started(Receive(pairs.back().client.Get(), &in[i], 1, &records.back()->ov)));
    }
    for (CPair& pair : pairs) {
        EXPECT_EQ(::closesocket(pair.client.Release()), 0);
    }
    for (CPair& pair : pairs) {
        pair.server.Reset();
    }
    m_listener.Reset();
    m_session.reset();
    // Every application handle was closed once, by a completion or by the clean-up.
    EXPECT_EQ(WshOpenSocketHandleCount(), 0u);
    EXPECT_NE(FrameLogText(m_log).find("WSPCleanup :: socket records left"), std::string::npos);
}

TEST_F(OverlappedLayer, ManyOperationsOutstandingOnManySocketsAtOnce) {
    // More receives outstanding at once than one batch of the pool holds.
    constexpr int kPairs = 40;
    constexpr int kReceives = 30;
    std::vector<CPair> pairs;
    for (int i = 0; i < kPairs; ++i) {
        pairs.push_back(Connect(m_listener.Get()));
        ASSERT_TRUE(pairs.back().client && pairs.back().server);
    }
    std::vector<std::unique_ptr<COverlapped>> records;
    std::vector<char> in(kPairs * kReceives * 2);
    for (int i = 0; i < kPairs; ++i) {
        for (int j = 0; j < kReceives; ++j) {
            for (int side = 0; side < 2; ++side) {
                records.push_back(std::make_unique<COverlapped>());
                const SOCKET s = side == 0 ? pairs[i].client.Get() : pairs[i].server.Get();
                ASSERT_TRUE(Started(
                    Receive(s, &in[(i * kReceives + j) * 2 + side], 1, &records.back()->ov)));
            }
        }
    }
    std::vector<std::string> texts;
    std::vector<std::unique_ptr<COverlapped>> sends;
    for (int i = 0; i < kPairs; ++i) {
        texts.push_back(std::string(kReceives, static_cast<char>('A' + i % 26)));
        for (int side = 0; side < 2; ++side) {
            sends.push_back(std::make_unique<COverlapped>());
            const SOCKET s = side == 0 ? pairs[i].server.Get() : pairs[i].client.Get();
            ASSERT_TRUE(Started(Send(s, texts[i].data(), kReceives, &sends.back()->ov)));
        }
    }
    for (const auto& record : records) {
        ASSERT_TRUE(record->Wait());
        EXPECT_EQ(record->ov.Offset, 0u);
        EXPECT_EQ(record->ov.InternalHigh, 1u);
    }
    for (const auto& send : sends) {
        ASSERT_TRUE(send->Wait());
        EXPECT_EQ(send->ov.InternalHigh, static_cast<ULONG_PTR>(kReceives));
    }
    for (int i = 0; i < kPairs; ++i) {
        for (int j = 0; j < kReceives; ++j) {
            EXPECT_EQ(in[(i * kReceives + j) * 2], texts[i][0]);
            EXPECT_EQ(in[(i * kReceives + j) * 2 + 1], texts[i][0]);
        }
    }
    pairs.clear();
    ExpectCleanEnd();
}

template <class F>
F ExtensionFunction(SOCKET s, GUID id) {
    F pfn = nullptr;
    DWORD dwBytes = 0;
    ::WSAIoctl(s, SIO_GET_EXTENSION_FUNCTION_POINTER, &id, sizeof id, &pfn, sizeof pfn, &dwBytes,
               nullptr, nullptr);
    return pfn;
}

TEST_F(OverlappedLayer, AcceptExWithReceiveDataAndItsAddresses) {
    const auto pfnAcceptEx = ExtensionFunction<LPFN_ACCEPTEX>(m_listener.Get(), WSAID_ACCEPTEX);
    const auto pfnAddresses =
        ExtensionFunction<LPFN_GETACCEPTEXSOCKADDRS>(m_listener.Get(), WSAID_GETACCEPTEXSOCKADDRS);
    ASSERT_TRUE(pfnAcceptEx != nullptr && pfnAddresses != nullptr);
    CSocket accepted(::socket(AF_INET, SOCK_STREAM, 0));
    constexpr DWORD kAddressLength = sizeof(sockaddr_in) + 16;
    char buffer[16 + 2 * kAddressLength] = {};
    COverlapped accept;
    DWORD dwBytes = 0;
    ASSERT_TRUE(pfnAcceptEx(m_listener.Get(), accepted.Get(), buffer, 16, kAddressLength,
                            kAddressLength, &dwBytes, reinterpret_cast<LPOVERLAPPED>(&accept.ov)) ||
                ::WSAGetLastError() == ERROR_IO_PENDING);
    CSocket client(::socket(AF_INET, SOCK_STREAM, 0));
    const sockaddr_in addr = LoopbackAddress(LocalPort(m_listener.Get()));
    ASSERT_EQ(::connect(client.Get(), reinterpret_cast<const sockaddr*>(&addr), sizeof addr), 0);
    ASSERT_EQ(::send(client.Get(), "first words", 11, 0), 11);
    ASSERT_TRUE(accept.Wait());
    DWORD dwFlags = 0;
    ASSERT_TRUE(::WSAGetOverlappedResult(m_listener.Get(), &accept.ov, &dwBytes, FALSE, &dwFlags));
    EXPECT_EQ(dwBytes, 11u);
    EXPECT_EQ(std::string(buffer, 11), "first words");

    sockaddr* pLocal = nullptr;
    sockaddr* pRemote = nullptr;
    int nLocal = 0;
    int nRemote = 0;
    pfnAddresses(buffer, 16, kAddressLength, kAddressLength, &pLocal, &nLocal, &pRemote, &nRemote);
    ASSERT_TRUE(pLocal != nullptr && pRemote != nullptr);
    EXPECT_EQ(ntohs(reinterpret_cast<sockaddr_in*>(pRemote)->sin_port), LocalPort(client.Get()));
    EXPECT_EQ(ntohs(reinterpret_cast<sockaddr_in*>(pLocal)->sin_port), LocalPort(m_listener.Get()));
}

TEST_F(OverlappedLayer, TransmitFileSendsTheWholeFile) {
    CPair pair = Connect(m_listener.Get());
    ASSERT_TRUE(pair.client && pair.server);
    const auto pfnTransmitFile =
        ExtensionFunction<LPFN_TRANSMITFILE>(pair.server.Get(), WSAID_TRANSMITFILE);
    ASSERT_TRUE(pfnTransmitFile != nullptr);
    const CTempPath file("transmit");
    std::string content(300000, '\0');
    for (size_t i = 0; i < content.size(); ++i) {
        content[i] = static_cast<char>(i * 13);
    }
    file.WriteFile(content);
    const CFileHandle hFile(::CreateFileA(file.String().c_str(), GENERIC_READ, FILE_SHARE_READ,
                                          nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(hFile);
    std::string received;
    std::thread reader([&] { received = ReceiveAll(pair.client.Get()); });
    COverlapped transmit;
    const BOOL bDone = pfnTransmitFile(pair.server.Get(), hFile.Get(), 0, 0,
                                       reinterpret_cast<LPOVERLAPPED>(&transmit.ov), nullptr, 0);
    EXPECT_TRUE(bDone || ::WSAGetLastError() == ERROR_IO_PENDING);
    EXPECT_TRUE(transmit.Wait());
    DWORD dwBytes = 0;
    DWORD dwFlags = 0;
    EXPECT_TRUE(
        ::WSAGetOverlappedResult(pair.server.Get(), &transmit.ov, &dwBytes, FALSE, &dwFlags));
    EXPECT_EQ(dwBytes, content.size());
    ::shutdown(pair.server.Get(), SD_SEND);
    reader.join();
    EXPECT_EQ(received, content);
}

TEST_F(OverlappedLayer, TargetHandleQueryCompletesAnOverlappedRecord) {
    CSocket s(::socket(AF_INET, SOCK_STREAM, 0));
    ASSERT_TRUE(s);
    SOCKET sTarget = INVALID_SOCKET;
    DWORD dwBytes = 0;
    COverlapped query;
    ASSERT_EQ(::WSAIoctl(s.Get(), SIO_QUERY_TARGET_PNP_HANDLE, nullptr, 0, &sTarget, sizeof sTarget,
                         &dwBytes, &query.ov, nullptr),
              0);
    EXPECT_NE(sTarget, s.Get());
    EXPECT_NE(sTarget, INVALID_SOCKET);
    ASSERT_TRUE(query.Wait());
    DWORD dwFlags = 0;
    EXPECT_TRUE(::WSAGetOverlappedResult(s.Get(), &query.ov, &dwBytes, FALSE, &dwFlags));
    EXPECT_EQ(dwBytes, sizeof(SOCKET));
}

// A provider socket someone else tied to a completion port cannot be tied to the manager's:
// its operations are completed by the frame all the same, and that port hears nothing.
TEST_F(OverlappedLayer, SocketsTiedToAnotherPortStillComplete) {
    CPair pair = Connect(m_listener.Get());
    ASSERT_TRUE(pair.client && pair.server);
    SOCKET sTarget = INVALID_SOCKET;
    DWORD dwBytes = 0;
    ASSERT_EQ(::WSAIoctl(pair.client.Get(), SIO_QUERY_TARGET_PNP_HANDLE, nullptr, 0, &sTarget,
                         sizeof sTarget, &dwBytes, nullptr, nullptr),
              0);
    const CHandle port(::CreateIoCompletionPort(INVALID_HANDLE_VALUE, nullptr, 0, 0));
    ASSERT_EQ(::CreateIoCompletionPort(reinterpret_cast<HANDLE>(sTarget), port.Get(), 7, 0),
              port.Get());

    char in[6] = {};
    COverlapped recv;
    ASSERT_TRUE(Started(Receive(pair.client.Get(), in, sizeof in, &recv.ov)));
    ASSERT_EQ(::send(pair.server.Get(), "tied!!", 6, 0), 6);
    ASSERT_TRUE(recv.Wait());
    EXPECT_EQ(recv.ov.InternalHigh, 6u);
    EXPECT_EQ(std::string(in, 6), "tied!!");
    COverlapped send;
    ASSERT_TRUE(Started(Send(pair.client.Get(), "back", 4, &send.ov)));
    ASSERT_TRUE(send.Wait());
    EXPECT_EQ(send.ov.InternalHigh, 4u);

    DWORD cbTransferred = 0;
    ULONG_PTR uKey = 0;
    LPOVERLAPPED lpOverlapped = nullptr;
    EXPECT_FALSE(::GetQueuedCompletionStatus(port.Get(), &cbTransferred, &uKey, &lpOverlapped, 0));
    pair = {};
    ExpectCleanEnd();
}

}  // namespace
