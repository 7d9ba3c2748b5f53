// What the tests of the strict filter share: a strict installation with the word "poker"
// blocked for the Default profile, the layer's chains, Winsock, a category server that answers
// "News", and overlapped sends and receives waited for each way an application can.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/CategoryServerStub.h"
#include "tests/support/LoadedPolicyLibrary.h"
#include "tests/support/LoopbackPeer.h"
#include "tests/support/QuietInstallation.h"
#include "tests/support/ScopedCatalog.h"
#include "tests/support/ScriptedCategoryServer.h"
#include "tests/support/WinsockSession.h"
#include "win/UniqueHandle.h"

using Filtering = CQuietInstallation::Filtering;

// Only a guard against a hang: every wait ends on an event long before.
inline constexpr DWORD kGuardMs = 20000;

// A peer for one connection on loopback, served by `serve`, which returns what it received:
// kept for the test.
class CRecordingPeer {
public:
    using Serve = std::function<std::string(SOCKET)>;

    explicit CRecordingPeer(Serve serve)
        : m_peer([this, serve = std::move(serve)](SOCKET s) { m_promise.set_value(serve(s)); }) {}

    sockaddr_in Address() const { return m_peer.Address(); }
    std::string Received() {
        return m_received.wait_for(std::chrono::milliseconds(kGuardMs)) == std::future_status::ready
                   ? m_received.get()
                   : "(nothing)";
    }

private:
    std::promise<std::string> m_promise;
    std::shared_future<std::string> m_received = m_promise.get_future().share();
    CLoopbackPeer m_peer;
};

// A category server that answers "News" for every host, until it goes.
class CNewsCategoryServer : public CCategoryServerStub {
public:
    CNewsCategoryServer()
        : CCategoryServerStub([](const std::string&) { return CAnswer{"News"}; }) {
        Use();
    }
};

inline constexpr char kBody[] = "hello, world";

inline std::string Response(const std::string& body) {
    return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

// A keep-alive web server for one connection: every request head gets `body`, until the client
// shuts down its side. Everything it received is kept for the test.
class CKeepAliveServer : public CRecordingPeer {
public:
    explicit CKeepAliveServer(std::string body = kBody)
        : CRecordingPeer([body = std::move(body)](SOCKET s) { return Serve(s, body); }) {}

private:
    // Just past the blank line of the head that starts at nFrom (bare line feeds accepted, as
    // servers accept them), or 0.
    static std::size_t HeadEnd(const std::string& received, std::size_t nFrom) {
        const std::size_t nCrLf = received.find("\r\n\r\n", nFrom);
        const std::size_t nLf = received.find("\n\n", nFrom);
        if (nCrLf != std::string::npos && (nLf == std::string::npos || nCrLf < nLf)) {
            return nCrLf + 4;
        }
        return nLf != std::string::npos ? nLf + 2 : 0;
    }

    static std::string Serve(SOCKET s, const std::string& body) {
        std::string received;
        std::size_t nAnswered = 0;
        char buffer[4096];
        for (int n; (n = ::recv(s, buffer, sizeof buffer, 0)) > 0;) {
            received.append(buffer, static_cast<std::size_t>(n));
            for (std::size_t nEnd; (nEnd = HeadEnd(received, nAnswered)) != 0;) {
                nAnswered = nEnd;
                SendAll(s, Response(body));
            }
        }
        ::shutdown(s, SD_SEND);
        return received;
    }
};

// One response read by its Content-Length, as a browser reads before it reuses the connection.
inline std::string ReadResponse(SOCKET s) {
    std::string data;
    char buffer[4096];
    for (int n; (n = ::recv(s, buffer, sizeof buffer, 0)) > 0;) {
        data.append(buffer, static_cast<std::size_t>(n));
        const std::size_t nHead = data.find("\r\n\r\n");
        const std::size_t nLength = data.find("Content-Length: ");
        if (nHead != std::string::npos && nLength != std::string::npos &&
            data.size() >= nHead + 4 + std::stoul(data.substr(nLength + 16))) {
            break;
        }
    }
    return data;
}

inline CSocket ConnectTo(const sockaddr_in& address) {
    CSocket s(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    if (::connect(s.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        s.Reset();
    }
    return s;
}

class StrictFilteringTest : public ::testing::Test {
protected:
    explicit StrictFilteringTest(Filtering filtering = Filtering::kStrict)
        : m_install(1, filtering) {}

    void SetUp() override {
        ASSERT_TRUE(m_install.Installed());
        ASSERT_TRUE(CPolicyLibrary().SetBlockedWords({"poker"}));
    }

    CQuietInstallation m_install;
    CScopedCatalog m_catalog{CScopedCatalog::Layer::kChains};
    CWinsockSession m_session;
    CNewsCategoryServer m_categories;
};

// How an application learns that an overlapped request finished.
enum class Wait { kEvent, kCompletionRoutine, kResultQuery };

struct CRoutineResult {
    bool bDone = false;
    DWORD dwError = 0;
    DWORD cbTransferred = 0;
};

inline void CALLBACK RoutineDone(DWORD dwError, DWORD cbTransferred, LPWSAOVERLAPPED lpOverlapped,
                                 DWORD) {
    // hEvent is the application's own with a completion routine.
    auto* pResult = static_cast<CRoutineResult*>(lpOverlapped->hEvent);
    *pResult = {true, dwError, cbTransferred};
}

// One overlapped send or receive of `buffers`, waited for the given way; the byte count, or -1.
inline long long Overlapped(SOCKET s, bool bSend, std::vector<WSABUF> buffers, Wait wait) {
    CHandle event(::WSACreateEvent());
    CRoutineResult routine;
    WSAOVERLAPPED ov{};
    ov.hEvent = wait == Wait::kCompletionRoutine ? static_cast<HANDLE>(&routine) : event.Get();
    const auto lpRoutine = wait == Wait::kCompletionRoutine ? RoutineDone : nullptr;
    DWORD dwFlags = 0;
    const auto nBuffers = static_cast<DWORD>(buffers.size());
    const int iResult =
        bSend ? ::WSASend(s, buffers.data(), nBuffers, nullptr, 0, &ov, lpRoutine)
              : ::WSARecv(s, buffers.data(), nBuffers, nullptr, &dwFlags, &ov, lpRoutine);
    if (iResult != 0 && ::WSAGetLastError() != WSA_IO_PENDING) {
        return -1;
    }
    if (wait == Wait::kCompletionRoutine) {
        const ULONGLONG uEnd = ::GetTickCount64() + kGuardMs;
        while (!routine.bDone && ::GetTickCount64() < uEnd) {
            ::SleepEx(kGuardMs, TRUE);
        }
        return routine.bDone && routine.dwError == 0 ? static_cast<long long>(routine.cbTransferred)
                                                     : -1;
    }
    if (wait == Wait::kEvent && ::WaitForSingleObject(event.Get(), kGuardMs) != WAIT_OBJECT_0) {
        return -1;
    }
    DWORD dwBytes = 0;
    return ::WSAGetOverlappedResult(s, &ov, &dwBytes, wait == Wait::kResultQuery, &dwFlags)
               ? static_cast<long long>(dwBytes)
               : -1;
}

// A request sent and its answer read with overlapped calls, in receives of nBuffer bytes (over
// two buffers when bTwoBuffers), up to the end of the stream.
inline std::string OverlappedExchange(const sockaddr_in& server, const std::string& request,
                                      Wait wait, std::size_t nBuffer = 4096,
                                      bool bTwoBuffers = false) {
    CSocket s = ConnectTo(server);
    WSABUF out{static_cast<ULONG>(request.size()), const_cast<char*>(request.data())};
    if (!s || Overlapped(s.Get(), true, {out}, wait) != static_cast<long long>(request.size())) {
        return "(send failed)";
    }
    ::shutdown(s.Get(), SD_SEND);
    std::string answer;
    std::vector<char> buffer(nBuffer);
    const auto nFirst = static_cast<ULONG>(bTwoBuffers ? nBuffer / 3 : nBuffer);
    std::vector<WSABUF> in{{nFirst, buffer.data()}};
    if (bTwoBuffers) {
        in.push_back({static_cast<ULONG>(nBuffer) - nFirst, buffer.data() + nFirst});
    }
    for (long long n; (n = Overlapped(s.Get(), false, in, wait)) > 0;) {
        answer.append(buffer.data(), static_cast<std::size_t>(n));
    }
    return answer;
}

// The same with plain blocking calls.
inline std::string PlainExchange(const sockaddr_in& server, const std::string& request) {
    CSocket s = ConnectTo(server);
    if (!s || !SendAll(s.Get(), request)) {
        return "(send failed)";
    }
    ::shutdown(s.Get(), SD_SEND);
    return ReceiveAll(s.Get());
}
