// The client of scripts/bench-calls.sh, which counts the requests each kind of operation makes
// to a traced wineserver. This program only runs the operations: a warm-up, then N of each
// kind, each operation between named events ("calls-op:KIND" before, "calls-idle:KIND" after)
// that the trace shows, so the script can attribute every request to one operation. The web
// and category servers are other (native) processes, so everything this process asks the server for
// is the client's and the filter's own cost.
//
// Usage: calls_bench WEB-PORT CATEGORY-PORT [N] [LOG-LEVEL] [strict]
//   web server on 127.0.0.3:WEB-PORT (answers each request in one write, then closes),
//   category server on 127.0.0.2:CATEGORY-PORT; "strict" installs with the strict filter, whose
//   lookups are kept (category-cached asks nothing after the warm-up).
#include <winsock2.h>
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/provider/PortRoundTrip.h"
#include "tests/support/LoopbackPeer.h"
#include "tests/support/QuietInstallation.h"
#include "tests/support/ScopedCatalog.h"
#include "win/ProductRegistry.h"

namespace {

std::string Request(const std::string& strHost) {
    return "GET /page HTTP/1.0\r\nHost: " + strHost + "\r\n\r\n";
}

[[noreturn]] void Fail(const char* szStep) {
    std::fprintf(stderr, "calls_bench: %s failed: %d\n", szStep, ::WSAGetLastError());
    std::exit(1);
}

sockaddr_in Address(const char* szAddress, u_short uPort) {
    sockaddr_in addr = LoopbackAddress(uPort);
    addr.sin_addr.s_addr = ::inet_addr(szAddress);
    return addr;
}

// Connect, send the request, then either read the answer to its end or close unread.
void RoundTrip(WSAPROTOCOL_INFOW& record, const sockaddr_in& addr, const std::string& request,
               bool bRead) {
    CSocket s(::WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, &record, 0, WSA_FLAG_OVERLAPPED));
    if (!s || ::connect(s.Get(), reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
        Fail("connect");
    }
    if (!SendAll(s.Get(), request)) {
        Fail("send");
    }
    if (bRead && ReceiveAll(s.Get()).empty()) {
        Fail("receive");
    }
}

template <class F>
F PolicyProc(const char* szName) {
    const FARPROC p = ::GetProcAddress(::GetModuleHandleA("PolicyApi.dll"), szName);
    return reinterpret_cast<F>(reinterpret_cast<void*>(p));
}

void SetList(int iAllowed, const char* szWord) {
    const char* words[] = {szWord};
    char** list = const_cast<char**>(words);
    int count = 1;
    PolicyProc<int (*)(const char*, int, char***, int*)>("SetURLList")("Default", iAllowed, &list,
                                                                       &count);
}

// The marker events stay open to the end, so that no close of theirs falls into a kind.
std::vector<HANDLE> g_markers;

void Mark(const char* szWhat, const char* szKind) {
    const std::string strName = std::string("calls-") + szWhat + ":" + szKind;
    g_markers.push_back(::CreateEventA(nullptr, TRUE, FALSE, strName.c_str()));
}

// Each operation is marked on its own, since a completion that races the thread waiting for
// it costs a request or two more: the script takes the fewest. After each operation the layer's
// completion threads get a moment to finish with it ("idle": from there on only other threads'
// requests count), so that none of theirs falls into the next operation.
template <class F>
void Kind(const char* szKind, int n, F operation) {
    for (int i = 0; i < n; ++i) {
        Mark("op", szKind);
        operation();
        Mark("idle", szKind);
        ::Sleep(5);
    }
    Mark("end", szKind);
}

// Overlapped receive/send pairs on one connected pair of sockets of one provider record.
class COverlappedPair {
public:
    explicit COverlappedPair(WSAPROTOCOL_INFOW& record) {
        CSocket listener(
            ::WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, &record, 0, WSA_FLAG_OVERLAPPED));
        sockaddr_in addr = LoopbackAddress(0);
        ::bind(listener.Get(), reinterpret_cast<const sockaddr*>(&addr), sizeof addr);
        ::listen(listener.Get(), 1);
        addr = LoopbackAddress(LocalPort(listener.Get()));
        m_sender.Reset(
            ::WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, &record, 0, WSA_FLAG_OVERLAPPED));
        if (::connect(m_sender.Get(), reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
            Fail("overlapped connect");
        }
        m_receiver.Reset(::accept(listener.Get(), nullptr, nullptr));
        m_recvOv.hEvent = m_recvEvent;
        m_sendOv.hEvent = m_sendEvent;
    }
    COverlappedPair(const COverlappedPair&) = delete;
    COverlappedPair& operator=(const COverlappedPair&) = delete;
    ~COverlappedPair() {
        ::WSACloseEvent(m_recvEvent);
        ::WSACloseEvent(m_sendEvent);
    }

    void Run() {
        WSABUF in{sizeof m_in, m_in};
        WSABUF out{sizeof m_out, m_out};
        DWORD dwFlags = 0;
        if (!Started(::WSARecv(m_receiver.Get(), &in, 1, nullptr, &dwFlags, &m_recvOv, nullptr)) ||
            !Started(::WSASend(m_sender.Get(), &out, 1, nullptr, 0, &m_sendOv, nullptr))) {
            Fail("overlapped start");
        }
        DWORD dwBytes = 0;
        if (!::WSAGetOverlappedResult(m_sender.Get(), &m_sendOv, &dwBytes, TRUE, &dwFlags) ||
            !::WSAGetOverlappedResult(m_receiver.Get(), &m_recvOv, &dwBytes, TRUE, &dwFlags) ||
            dwBytes != sizeof m_in) {
            Fail("overlapped pair");
        }
    }

private:
    static bool Started(int iResult) {
        return iResult == 0 || ::WSAGetLastError() == WSA_IO_PENDING;
    }

    CSocket m_sender;
    CSocket m_receiver;
    HANDLE m_recvEvent = ::WSACreateEvent();
    HANDLE m_sendEvent = ::WSACreateEvent();
    WSAOVERLAPPED m_recvOv{};
    WSAOVERLAPPED m_sendOv{};
    char m_in[64] = {};
    char m_out[64] = {};
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr,
                     "usage: calls_bench WEB-PORT CATEGORY-PORT [N] [LOG-LEVEL] [strict]\n");
        return 2;
    }
    const auto uWebPort = static_cast<u_short>(std::atoi(argv[1]));
    const DWORD dwCategoryPort = static_cast<DWORD>(std::atoi(argv[2]));
    const int n = argc > 3 ? std::atoi(argv[3]) : 20;
    const int iLogLevel = argc > 4 ? std::atoi(argv[4]) : 0;

    const bool bStrict = argc > 5 && std::string(argv[5]) == "strict";
    const CQuietInstallation install(iLogLevel, bStrict ? CQuietInstallation::Filtering::kStrict
                                                        : CQuietInstallation::Filtering::kCompat);
    const CScopedCatalog catalog(CScopedCatalog::Layer::kChains);
    {
        const CRegKey key = OpenProductKey(KEY_SET_VALUE);
        const char szAddress[] = "127.0.0.2";
        ::RegSetValueExA(key.Get(), "TLVServerIP", 0, REG_SZ,
                         reinterpret_cast<const BYTE*>(szAddress), sizeof szAddress);
        ::RegSetValueExA(key.Get(), "TLVServerPort", 0, REG_DWORD,
                         reinterpret_cast<const BYTE*>(&dwCategoryPort), sizeof dwCategoryPort);
    }
    WSAPROTOCOL_INFOW chainTcp = EnumCatalog()[0];
    WSAPROTOCOL_INFOW baseTcp = EnumCatalog()[4];
    WSADATA data;
    if (::WSAStartup(MAKEWORD(2, 2), &data) != 0) {
        Fail("WSAStartup");
    }
    const sockaddr_in web = Address("127.0.0.3", uWebPort);

    // Loads the layer and the policy library, makes the first lookup and sets the rules, all
    // outside the counts; then one of each kind, so that every path has run once.
    RoundTrip(chainTcp, web, Request("warm-up.example"), true);
    SetList(1, "allowed-site");
    SetList(0, "poker");
    PolicyProc<int (*)(int)>("UpdateRequire")(1);
    const auto setFiltering = [](bool bOn) {
        PolicyProc<void (*)(int)>("SetFilterOff")(bOn ? 0 : 1);
    };
    const std::string bareRequest = Request("bare.example");
    const std::string allowedRequest = Request("allowed-site.example");
    const std::string blockedRequest = Request("poker.example");
    // A host of its own for every lookup, so that none is answered from the cache.
    int nLookup = 0;
    const auto lookupRequest = [&] {
        return Request("site" + std::to_string(++nLookup) + ".news.example");
    };
    const std::string cachedRequest = Request("news.example");
    COverlappedPair barePair(baseTcp);
    COverlappedPair layeredPair(chainTcp);
    // ConnectEx is the layer's own only with the strict switch on.
    std::string portRequest = allowedRequest;
    CPortClient barePort(baseTcp);
    CPortClient layeredPort(chainTcp);
    const auto portRoundTrip = [&](CPortClient& client) {
        if (client.RoundTrip(web, portRequest, SIZE_MAX) == 0) {
            Fail("port receive");
        }
    };

    // The Default profile's time rules, taken by a reload outside the counts.
    const auto useTimeRules = [&](const char* szRules) {
        PolicyProc<int (*)(const char*, const char*)>("SetTimeRules")("Default", szRules);
        RoundTrip(chainTcp, web, bareRequest, true);
    };

    // One pass with a single operation of each kind warms every path; the counted pass follows.
    for (const int nOps : {1, n}) {
        const bool bCounted = nOps == n && n > 1;
        const auto kind = [&](const char* szName, auto operation) {
            if (bCounted) {
                Kind(szName, nOps, operation);
            } else {
                operation();
            }
        };
        setFiltering(true);
        kind("bare", [&] { RoundTrip(baseTcp, web, bareRequest, true); });
        kind("bare-unread", [&] { RoundTrip(baseTcp, web, bareRequest, false); });
        kind("allowed-word", [&] { RoundTrip(chainTcp, web, allowedRequest, true); });
        kind("blocked-word-unread", [&] { RoundTrip(chainTcp, web, blockedRequest, false); });
        kind("block-page", [&] { RoundTrip(chainTcp, web, blockedRequest, true); });
        kind("category-lookup", [&] { RoundTrip(chainTcp, web, lookupRequest(), true); });
        kind("category-cached", [&] { RoundTrip(chainTcp, web, cachedRequest, true); });
        if (bStrict) {
            // Against allowed-word and block-page: the time decision and the minute's count.
            useTimeRules("limit all 1440");
            kind("time-allowed", [&] { RoundTrip(chainTcp, web, allowedRequest, true); });
            useTimeRules("allow all none");
            kind("time-blocked", [&] { RoundTrip(chainTcp, web, allowedRequest, true); });
            useTimeRules("");
        }
        kind("overlapped-bare", [&] { barePair.Run(); });
        kind("overlapped-layer", [&] { layeredPair.Run(); });
        if (bStrict) {
            kind("connectex-bare", [&] { portRoundTrip(barePort); });
            kind("connectex-layer", [&] { portRoundTrip(layeredPort); });
        }
        setFiltering(false);
        kind("filtering-off", [&] { RoundTrip(chainTcp, web, allowedRequest, true); });
        setFiltering(true);
    }
    for (const HANDLE h : g_markers) {
        ::CloseHandle(h);
    }
    ::WSACleanup();
    return 0;
}
