// HTTP round trips through the filter with the strict switch on (as installed), side by side in
// alternating batches:
//  - a request decided by an allowed word (no lookup), against the same request through the
//    layer with filtering switched off, with plain and with overlapped sends and receives (the
//    overlapped ones also against the base provider alone);
//  - a request that needs a category lookup, against the bare round trip (no layer);
//  - a TLS ClientHello (browser-sized) whose server name an allowed word decides, against the
//    same through the layer with filtering switched off;
//  - the allowed request carried by ConnectEx, its answer taken from a completion port, against
//    the same over the base provider alone.
#include <winsock2.h>
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "bench/provider/Batches.h"
#include "bench/provider/PortRoundTrip.h"
#include "filter/core/portable/TLVMessage.h"
#include "tests/support/LoopbackPeer.h"
#include "tests/support/QuietInstallation.h"
#include "tests/support/ScopedCatalog.h"
#include "tests/support/TlsClientHello.h"
#include "win/ProductRegistry.h"
#include "win/UniqueHandle.h"

namespace {

constexpr size_t kResponseSize = 2048;

std::string Request(const std::string& strHost) {
    std::string request = "GET /page HTTP/1.1\r\nHost: " + strHost + "\r\nX-Pad: ";
    request.resize(196, 'p');
    return request + "\r\n\r\n";
}

// A web peer: reads one request head, answers with kResponseSize bytes, waits for the close.
void ServePage(SOCKET s) {
    static const std::string response = [] {
        std::string r = "HTTP/1.0 200 OK\r\nContent-Length: 2000\r\n\r\n";
        r.resize(kResponseSize, 'r');
        return r;
    }();
    char buffer[4096];
    ::recv(s, buffer, sizeof buffer, 0);
    SendAll(s, response);
    ReceiveAll(s);
}

// A category server peer: one request, the reply "News" for the whole host (as a server of
// today answers the strict filter's type 6), then the client closes.
void ServeCategory(SOCKET s) {
    char buffer[TLVMessage::kBufferSize];
    ::recv(s, buffer, sizeof buffer, 0);
    const size_t n = TLVMessage(6, "h\tNews").Encode(buffer, sizeof buffer);
    SendAll(s, std::string(buffer, n));
    ReceiveAll(s);
}

void RoundTrip(WSAPROTOCOL_INFOW& record, const sockaddr_in& addr, const std::string& request) {
    CSocket s(::WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, &record, 0, WSA_FLAG_OVERLAPPED));
    char buffer[kResponseSize];
    size_t nDone = 0;
    if (!s || ::connect(s.Get(), reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0 ||
        !SendAll(s.Get(), request)) {
        std::fprintf(stderr, "round trip failed: %d\n", ::WSAGetLastError());
        std::exit(1);
    }
    while (nDone < kResponseSize) {
        const int n = ::recv(s.Get(), buffer, sizeof buffer, 0);
        if (n <= 0) {
            std::fprintf(stderr, "short response\n");
            std::exit(1);
        }
        nDone += static_cast<size_t>(n);
    }
}

// Waits for one overlapped send or receive with an event, as Chromium does; its byte count.
DWORD AwaitOverlapped(SOCKET s, int iStarted, WSAOVERLAPPED& ov) {
    DWORD dwBytes = 0;
    DWORD dwFlags = 0;
    if ((iStarted != 0 && ::WSAGetLastError() != WSA_IO_PENDING) ||
        !::WSAGetOverlappedResult(s, &ov, &dwBytes, TRUE, &dwFlags)) {
        std::fprintf(stderr, "overlapped round trip failed: %d\n", ::WSAGetLastError());
        std::exit(1);
    }
    return dwBytes;
}

void OverlappedRoundTrip(WSAPROTOCOL_INFOW& record, const sockaddr_in& addr,
                         const std::string& request) {
    CSocket s(::WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, &record, 0, WSA_FLAG_OVERLAPPED));
    if (!s || ::connect(s.Get(), reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
        std::fprintf(stderr, "round trip failed: %d\n", ::WSAGetLastError());
        std::exit(1);
    }
    const CHandle event(::WSACreateEvent());
    WSAOVERLAPPED ov{};
    ov.hEvent = event.Get();
    WSABUF out{static_cast<ULONG>(request.size()), const_cast<char*>(request.data())};
    AwaitOverlapped(s.Get(), ::WSASend(s.Get(), &out, 1, nullptr, 0, &ov, nullptr), ov);
    char buffer[kResponseSize];
    for (size_t nDone = 0; nDone < kResponseSize;) {
        WSABUF in{static_cast<ULONG>(sizeof buffer), buffer};
        DWORD dwFlags = 0;
        const DWORD n = AwaitOverlapped(
            s.Get(), ::WSARecv(s.Get(), &in, 1, nullptr, &dwFlags, &ov, nullptr), ov);
        if (n == 0) {
            std::fprintf(stderr, "short response\n");
            std::exit(1);
        }
        nDone += n;
    }
}

double Batch(const std::function<void()>& roundTrip, int nRounds) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < nRounds; ++i) {
        roundTrip();
    }
    return std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
               .count() /
           nRounds;
}

sockaddr_in Address(const char* szAddress, u_short uPort) {
    sockaddr_in addr = LoopbackAddress(uPort);
    addr.sin_addr.s_addr = ::inet_addr(szAddress);
    return addr;
}

// A peer listening on a loopback address of its own (not the category server's).
CSocket Listener(WSAPROTOCOL_INFOW& record, const char* szAddress) {
    CSocket s(::WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, &record, 0, WSA_FLAG_OVERLAPPED));
    const sockaddr_in addr = Address(szAddress, 0);
    ::bind(s.Get(), reinterpret_cast<const sockaddr*>(&addr), sizeof addr);
    return s;
}

template <class F>
F PolicyProc(const char* szName) {
    const FARPROC p = ::GetProcAddress(::GetModuleHandleA("PolicyApi.dll"), szName);
    return reinterpret_cast<F>(reinterpret_cast<void*>(p));
}

void SetFiltering(bool bOn) {
    PolicyProc<void (*)(int)>("SetFilterOff")(bOn ? 0 : 1);
}

}  // namespace

int main(int argc, char** argv) {
    PinToOneProcessor();
    const int nBatches = argc > 1 ? std::atoi(argv[1]) : 21;
    const int nRounds = argc > 2 ? std::atoi(argv[2]) : 20;
    // Every judged request writes several level 1 records; 0 measures the filter alone.
    const int iLogLevel = argc > 3 ? std::atoi(argv[3]) : 0;
    const CQuietInstallation install(iLogLevel, CQuietInstallation::Filtering::kStrict);
    const CScopedCatalog catalog(CScopedCatalog::Layer::kChains);
    WSAPROTOCOL_INFOW chainTcp = EnumCatalog()[0];
    WSAPROTOCOL_INFOW baseTcp = EnumCatalog()[4];
    WSADATA data;
    ::WSAStartup(MAKEWORD(2, 2), &data);

    // Each peer serves exactly the connections it will get, then its thread ends.
    const int nPerPath = nBatches * nRounds;
    // The category server on 127.0.0.2, read by the filter at its first reload: the warm-up
    // and the lookup batches ask it.
    CLoopbackPeer categories(Listener(baseTcp, "127.0.0.2"), ServeCategory, 1 + nPerPath);
    {
        const CRegKey key = OpenProductKey(KEY_SET_VALUE);
        const char szAddress[] = "127.0.0.2";
        const DWORD dwPort = categories.Port();
        ::RegSetValueExA(key.Get(), "TLVServerIP", 0, REG_SZ,
                         reinterpret_cast<const BYTE*>(szAddress), sizeof szAddress);
        ::RegSetValueExA(key.Get(), "TLVServerPort", 0, REG_DWORD,
                         reinterpret_cast<const BYTE*>(&dwPort), sizeof dwPort);
    }
    CLoopbackPeer layeredWeb(Listener(chainTcp, "127.0.0.3"), ServePage, 1 + 8 * nPerPath);
    CLoopbackPeer bareWeb(Listener(baseTcp, "127.0.0.3"), ServePage, 3 * nPerPath);
    const sockaddr_in layeredAddr = Address("127.0.0.3", layeredWeb.Port());
    const sockaddr_in bareAddr = Address("127.0.0.3", bareWeb.Port());

    // Loads the layer (and the policy library with it) outside the timing.
    RoundTrip(chainTcp, layeredAddr, Request("warm-up.example"));
    const char* kAllowed[] = {"allowed-site"};
    char** list = const_cast<char**>(kAllowed);
    int count = 1;
    PolicyProc<int (*)(const char*, int, char***, int*)>("SetURLList")("Default", 1, &list, &count);
    PolicyProc<int (*)(int)>("UpdateRequire")(1);

    const std::string allowedRequest = Request("allowed-site.example");
    const std::string lookupRequest = Request("news.example");
    // A host of its own for every lookup, since the strict filter keeps what it was told: so the
    // category peer gets exactly one connection a lookup.
    int nLookup = 0;
    const auto freshLookup = [&] {
        RoundTrip(chainTcp, layeredAddr,
                  Request("site" + std::to_string(++nLookup) + ".news.example"));
    };
    // About the size of Chromium's, with its post-quantum key share.
    const std::string helloRequest = BuildClientHello("www.allowed-site.example", 1600);
    std::string portRequest = allowedRequest;
    CPortClient layeredPort(chainTcp);
    CPortClient barePort(baseTcp);
    std::vector<double> allowed, off, lookup, bare, ovAllowed, ovOff, ovBare, tlsAllowed, tlsOff,
        portAllowed, portBare;
    for (int i = 0; i < nBatches; ++i) {
        SetFiltering(true);
        allowed.push_back(
            Batch([&] { RoundTrip(chainTcp, layeredAddr, allowedRequest); }, nRounds));
        ovAllowed.push_back(
            Batch([&] { OverlappedRoundTrip(chainTcp, layeredAddr, allowedRequest); }, nRounds));
        lookup.push_back(Batch(freshLookup, nRounds));
        bare.push_back(Batch([&] { RoundTrip(baseTcp, bareAddr, lookupRequest); }, nRounds));
        ovBare.push_back(
            Batch([&] { OverlappedRoundTrip(baseTcp, bareAddr, allowedRequest); }, nRounds));
        tlsAllowed.push_back(
            Batch([&] { RoundTrip(chainTcp, layeredAddr, helloRequest); }, nRounds));
        portAllowed.push_back(Batch(
            [&] { layeredPort.RoundTrip(layeredAddr, portRequest, kResponseSize); }, nRounds));
        portBare.push_back(
            Batch([&] { barePort.RoundTrip(bareAddr, portRequest, kResponseSize); }, nRounds));
        SetFiltering(false);
        tlsOff.push_back(Batch([&] { RoundTrip(chainTcp, layeredAddr, helloRequest); }, nRounds));
        off.push_back(Batch([&] { RoundTrip(chainTcp, layeredAddr, allowedRequest); }, nRounds));
        ovOff.push_back(
            Batch([&] { OverlappedRoundTrip(chainTcp, layeredAddr, allowedRequest); }, nRounds));
    }
    SetFiltering(true);
    ::WSACleanup();

    std::vector<double> allowedRatios, lookupRatios, ovAllowedRatios, ovBareRatios, tlsRatios,
        portRatios;
    for (size_t i = 0; i < allowed.size(); ++i) {
        allowedRatios.push_back(allowed[i] / off[i]);
        lookupRatios.push_back(lookup[i] / bare[i]);
        ovAllowedRatios.push_back(ovAllowed[i] / ovOff[i]);
        ovBareRatios.push_back(ovAllowed[i] / ovBare[i]);
        tlsRatios.push_back(tlsAllowed[i] / tlsOff[i]);
        portRatios.push_back(portAllowed[i] / portBare[i]);
    }
    std::printf(
        "HTTP round trips (connect, send 200 B, receive 2 KB, close), median of %d batches"
        " of %d, log level %d\n",
        nBatches, nRounds, iLogLevel);
    std::printf("  bare (host + base provider):            %8.1f us\n", Median(bare));
    std::printf("  layer, filtering off:                   %8.1f us\n", Median(off));
    std::printf("  filtered, decided by an allowed word:   %8.1f us\n", Median(allowed));
    std::printf("  filtered, with a category lookup:       %8.1f us\n", Median(lookup));
    std::printf("  allowed word / filtering off:           %8.3f (target <= 1.10)\n",
                Median(allowedRatios));
    std::printf("  category lookup / bare:                 %8.3f (target <= 2.3)\n",
                Median(lookupRatios));
    std::printf("overlapped (WSASend, then WSARecv, waited for with an event)\n");
    std::printf("  bare (host + base provider):            %8.1f us\n", Median(ovBare));
    std::printf("  layer, filtering off:                   %8.1f us\n", Median(ovOff));
    std::printf("  filtered, decided by an allowed word:   %8.1f us\n", Median(ovAllowed));
    std::printf("  allowed word / filtering off:           %8.3f (target <= 1.10)\n",
                Median(ovAllowedRatios));
    std::printf("  allowed word / bare:                    %8.3f\n", Median(ovBareRatios));
    std::printf("TLS ClientHello of %zu B judged by its server name\n", helloRequest.size());
    std::printf("  layer, filtering off:                   %8.1f us\n", Median(tlsOff));
    std::printf("  filtered, decided by an allowed word:   %8.1f us\n", Median(tlsAllowed));
    std::printf("  allowed word / filtering off:           %8.3f (target <= 1.05)\n",
                Median(tlsRatios));
    std::printf("ConnectEx with the request, receives from a completion port\n");
    std::printf("  bare (host + base provider):            %8.1f us\n", Median(portBare));
    std::printf("  filtered, decided by an allowed word:   %8.1f us\n", Median(portAllowed));
    std::printf("  filtered / bare:                        %8.3f (target <= 1.25)\n",
                Median(portRatios));
    return 0;
}
