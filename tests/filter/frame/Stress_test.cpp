// Many threads making, using and closing sockets through the layer at once, with blocking,
// overlapped-event and completion-routine I/O mixed, against a local echo server.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/LayeredSessionTest.h"
#include "tests/support/LoopbackPeer.h"
#include "tests/support/ScopedCatalog.h"
#include "wsock/host/HostExtensions.h"

namespace {

constexpr int kClientThreads = 32;
constexpr int kConnectionsPerThread = 200;
// Generous bounds on any one wait, even on a machine busy with other suites: only a lost
// completion reaches them.
constexpr DWORD kWaitMs = 60000;

// Accepted connections waiting for an echo thread; closed once the acceptor has ended.
class CConnectionQueue {
public:
    void Push(CSocket conn) {
        const std::lock_guard lock(m_lock);
        m_waiting.push_back(std::move(conn));
        m_changed.notify_one();
    }
    void Close() {
        const std::lock_guard lock(m_lock);
        m_bClosed = true;
        m_changed.notify_all();
    }
    // The next connection, or none once the queue is closed and empty.
    std::optional<CSocket> Pop() {
        std::unique_lock lock(m_lock);
        m_changed.wait(lock, [this] { return m_bClosed || !m_waiting.empty(); });
        if (m_waiting.empty()) {
            return std::nullopt;
        }
        CSocket conn = std::move(m_waiting.front());
        m_waiting.pop_front();
        return conn;
    }

private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    std::deque<CSocket> m_waiting;
    bool m_bClosed = false;
};

// One thread accepts from a listener on the base provider, nConnections in all, and hands
// each connection to one of nEchoThreads threads, which echoes until its client shuts down
// its side. (Several threads blocked in accept on one listener lose connections under Wine;
// a thread per connection made thousands of threads, and once a connection was reset and
// the join of its thread failed with "No such process".)
class CEchoServer {
public:
    CEchoServer(WSAPROTOCOL_INFOW base, int nConnections, int nEchoThreads)
        : m_listener(::WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, &base, 0, 0)) {
        const sockaddr_in addr = LoopbackAddress(0);
        ::bind(m_listener.Get(), reinterpret_cast<const sockaddr*>(&addr), sizeof addr);
        ::listen(m_listener.Get(), SOMAXCONN);
        m_uPort = LocalPort(m_listener.Get());
        m_acceptor = std::thread([this, nConnections] {
            for (int i = 0; i < nConnections; ++i) {
                CSocket conn(::accept(m_listener.Get(), nullptr, nullptr));
                if (!conn) {
                    break;
                }
                m_queue.Push(std::move(conn));
            }
            m_queue.Close();
        });
        for (int i = 0; i < nEchoThreads; ++i) {
            m_echoers.emplace_back([this] {
                while (std::optional<CSocket> conn = m_queue.Pop()) {
                    CLoopbackPeer::Echo(conn->Get());
                }
            });
        }
    }
    CEchoServer(const CEchoServer&) = delete;
    CEchoServer& operator=(const CEchoServer&) = delete;
    ~CEchoServer() {
        // Every client has finished by now; a connection that never came must not leave the
        // acceptor waiting for ever, so the listener goes first.
        m_listener.Reset();
        m_acceptor.join();
        for (std::thread& t : m_echoers) {
            t.join();
        }
    }

    sockaddr_in Address() const { return LoopbackAddress(m_uPort); }

private:
    CSocket m_listener;
    u_short m_uPort = 0;
    CConnectionQueue m_queue;
    std::thread m_acceptor;
    std::vector<std::thread> m_echoers;
};

// Failures from the client threads, reported by the test's own thread.
class CFailures {
public:
    void Add(const std::string& strWhat) {
        const std::lock_guard lock(m_lock);
        if (m_list.size() < 20) {
            m_list.push_back(strWhat);
        }
        ++m_nCount;
    }
    std::string Text() const {
        std::string text = std::to_string(m_nCount) + " failures";
        for (const std::string& s : m_list) {
            text += "\n  " + s;
        }
        return text;
    }
    int Count() const { return m_nCount; }

private:
    mutable std::mutex m_lock;
    std::vector<std::string> m_list;
    int m_nCount = 0;
};

// One overlapped operation waited for through its event. The overlapped structure and the
// event live on the heap: when the wait runs out the operation is still pending and the layer
// may yet write to them, so they are then left allocated rather than freed under it.
bool EventIo(SOCKET s, bool bSend, WSABUF buffer, DWORD* pdwBytes) {
    struct EventOp {
        WSAOVERLAPPED ov{};
        CHandle event{::WSACreateEvent()};
    };
    auto op = std::make_unique<EventOp>();
    op->ov.hEvent = op->event.Get();
    DWORD dwFlags = 0;
    const int iResult = bSend ? ::WSASend(s, &buffer, 1, pdwBytes, 0, &op->ov, nullptr)
                              : ::WSARecv(s, &buffer, 1, pdwBytes, &dwFlags, &op->ov, nullptr);
    if (iResult == SOCKET_ERROR && ::WSAGetLastError() != WSA_IO_PENDING) {
        return false;
    }
    if (::WSAWaitForMultipleEvents(1, &op->ov.hEvent, TRUE, kWaitMs, FALSE) != WSA_WAIT_EVENT_0) {
        op.release();
        return false;
    }
    return ::WSAGetOverlappedResult(s, &op->ov, pdwBytes, FALSE, &dwFlags) != FALSE;
}

// One overlapped operation completed through a routine run on this thread; the routine must
// run exactly once.
struct RoutineIo {
    WSAOVERLAPPED ov{};
    int nCalls = 0;
    DWORD dwError = 0;
    DWORD dwBytes = 0;

    static void CALLBACK Done(DWORD dwError, DWORD dwBytes, LPWSAOVERLAPPED lpOverlapped, DWORD) {
        // With a completion routine, hEvent is the application's to use.
        auto* pIo = static_cast<RoutineIo*>(lpOverlapped->hEvent);
        ++pIo->nCalls;
        pIo->dwError = dwError;
        pIo->dwBytes = dwBytes;
    }
};

// Its state on the heap, for the reason EventIo gives.
bool RoutineOp(SOCKET s, bool bSend, WSABUF buffer, DWORD* pdwBytes, CFailures& failures) {
    auto pIo = std::make_unique<RoutineIo>();
    RoutineIo& io = *pIo;
    io.ov.hEvent = &io;
    DWORD dwFlags = 0;
    DWORD dwIgnored = 0;
    const int iResult =
        bSend ? ::WSASend(s, &buffer, 1, &dwIgnored, 0, &io.ov, RoutineIo::Done)
              : ::WSARecv(s, &buffer, 1, &dwIgnored, &dwFlags, &io.ov, RoutineIo::Done);
    if (iResult == SOCKET_ERROR && ::WSAGetLastError() != WSA_IO_PENDING) {
        return false;
    }
    // Even an operation that finished at once completes through the routine.
    const ULONGLONG uEnd = ::GetTickCount64() + kWaitMs;
    while (io.nCalls == 0 && ::GetTickCount64() < uEnd) {
        ::SleepEx(kWaitMs, TRUE);
    }
    if (io.nCalls == 0) {
        failures.Add("completion routine never ran");
        pIo.release();
        return false;
    }
    // A second call would be queued by now; an alertable pass delivers it.
    ::SleepEx(0, TRUE);
    if (io.nCalls != 1) {
        failures.Add("completion routine ran " + std::to_string(io.nCalls) + " times");
        return false;
    }
    *pdwBytes = io.dwBytes;
    return io.dwError == 0;
}

enum class Mode { kBlocking, kEvent, kRoutine };

bool Transfer(SOCKET s, Mode mode, bool bSend, char* pData, DWORD cb, DWORD* pdwBytes,
              CFailures& failures) {
    const WSABUF buffer = {cb, pData};
    switch (mode) {
        case Mode::kBlocking: {
            const int n = bSend ? ::send(s, pData, static_cast<int>(cb), 0)
                                : ::recv(s, pData, static_cast<int>(cb), 0);
            *pdwBytes = static_cast<DWORD>(n);
            return n >= 0;
        }
        case Mode::kEvent:
            return EventIo(s, bSend, buffer, pdwBytes);
        case Mode::kRoutine:
            return RoutineOp(s, bSend, buffer, pdwBytes, failures);
    }
    return false;
}

// Sends the payload, shuts down the sending side, and reads the echo back to its end.
void EchoOnce(const sockaddr_in& server, Mode mode, std::string payload, CFailures& failures) {
    CSocket s(::WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, nullptr, 0, WSA_FLAG_OVERLAPPED));
    if (!s) {
        failures.Add("socket failed: " + std::to_string(::WSAGetLastError()));
        return;
    }
    if (::connect(s.Get(), reinterpret_cast<const sockaddr*>(&server), sizeof server) != 0) {
        failures.Add("connect failed: " + std::to_string(::WSAGetLastError()) + " on handle " +
                     std::to_string(s.Get()));
        return;
    }
    for (DWORD dwSent = 0; dwSent < payload.size();) {
        DWORD n = 0;
        if (!Transfer(s.Get(), mode, true, payload.data() + dwSent,
                      static_cast<DWORD>(payload.size()) - dwSent, &n, failures) ||
            n == 0) {
            failures.Add("send failed: " + std::to_string(::WSAGetLastError()));
            return;
        }
        dwSent += n;
    }
    ::shutdown(s.Get(), SD_SEND);
    std::string echo;
    char buffer[4096];
    for (;;) {
        DWORD n = 0;
        if (!Transfer(s.Get(), mode, false, buffer, sizeof buffer, &n, failures)) {
            failures.Add("receive failed: " + std::to_string(::WSAGetLastError()));
            return;
        }
        if (n == 0) {
            break;
        }
        echo.append(buffer, n);
    }
    if (echo != payload) {
        failures.Add("echo differs: " + std::to_string(echo.size()) + " of " +
                     std::to_string(payload.size()) + " bytes, mode " +
                     std::to_string(static_cast<int>(mode)) + ", first byte " +
                     std::string(1, echo.empty() ? '-' : echo[0]));
    }
}

std::string Payload(int iThread, int iConnection) {
    std::string payload(static_cast<size_t>(500 + (iThread * 131 + iConnection * 37) % 6000), ' ');
    for (size_t i = 0; i < payload.size(); ++i) {
        payload[i] = static_cast<char>('a' + (i + static_cast<size_t>(iThread)) % 26);
    }
    return payload;
}

using LayeredStress = LayeredSessionTest;

TEST_F(LayeredStress, ManyThreadsMixingBlockingAndOverlappedIoLoseNothing) {
    // A client has one connection open at a time, so an echo thread per client never keeps one
    // waiting.
    CEchoServer server(EnumCatalog()[4], kClientThreads * kConnectionsPerThread, kClientThreads);
    const sockaddr_in addr = server.Address();
    CFailures failures;
    std::vector<std::thread> clients;
    for (int t = 0; t < kClientThreads; ++t) {
        clients.emplace_back([&, t] {
            for (int i = 0; i < kConnectionsPerThread; ++i) {
                EchoOnce(addr, static_cast<Mode>((t + i) % 3), Payload(t, i), failures);
            }
        });
    }
    for (std::thread& t : clients) {
        t.join();
    }
    EXPECT_EQ(failures.Count(), 0) << failures.Text();

    // Every socket record is freed, and its handle closed, once its last completion is in.
    const ULONGLONG uEnd = ::GetTickCount64() + kWaitMs;
    while (WshOpenSocketHandleCount() != 0 && ::GetTickCount64() < uEnd) {
        ::Sleep(10);
    }
    EXPECT_EQ(WshOpenSocketHandleCount(), 0u);
}

}  // namespace
