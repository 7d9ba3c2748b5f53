// Loopback request/response round trips (connect, send 200 bytes, receive 2 KB, close) through
// the provider host stand-in, once over the base provider alone and once with FilterLsp.dll
// layered over it; the two are measured in alternating batches and compared by their medians.
#include <winsock2.h>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/provider/Batches.h"
#include "tests/support/LoopbackPeer.h"
#include "tests/support/QuietInstallation.h"
#include "tests/support/ScopedCatalog.h"

namespace {

constexpr size_t kRequestSize = 200;
constexpr size_t kResponseSize = 2048;

bool ReceiveExactly(SOCKET s, size_t nBytes) {
    char buf[kResponseSize];
    size_t nDone = 0;
    while (nDone < nBytes) {
        const int n = ::recv(s, buf, static_cast<int>(std::min(sizeof buf, nBytes - nDone)), 0);
        if (n <= 0) {
            return false;
        }
        nDone += static_cast<size_t>(n);
    }
    return true;
}

void Serve(SOCKET s) {
    static const std::string response(kResponseSize, 'r');
    if (ReceiveExactly(s, kRequestSize)) {
        SendAll(s, response);
    }
    ReceiveAll(s);  // until the client closes
}

// One round trip on a socket made for the given catalogue record; exits on failure.
void RoundTrip(WSAPROTOCOL_INFOW& record, const sockaddr_in& addr) {
    static const std::string request(kRequestSize, 'q');
    CSocket s(::WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, &record, 0, WSA_FLAG_OVERLAPPED));
    if (!s || ::connect(s.Get(), reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0 ||
        !SendAll(s.Get(), request) || !ReceiveExactly(s.Get(), kResponseSize)) {
        std::fprintf(stderr, "round trip failed: %d\n", ::WSAGetLastError());
        std::exit(1);
    }
}

// Microseconds per round trip over nRounds.
double Batch(WSAPROTOCOL_INFOW& record, const sockaddr_in& addr, int nRounds) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < nRounds; ++i) {
        RoundTrip(record, addr);
    }
    const auto elapsed = std::chrono::steady_clock::now() - start;
    return std::chrono::duration<double, std::micro>(elapsed).count() / nRounds;
}

}  // namespace

// Both paths live in one session, side by side: the catalogue holds the base entries and the
// layer's chains, and each socket is made for an explicit record. Each path has its own peer,
// whose accepted sockets take the same path. Short batches alternate, so that load on the
// machine falls on both alike.
int main(int argc, char** argv) {
    PinToOneProcessor();
    const int nBatches = argc > 1 ? std::atoi(argv[1]) : 41;
    const int nRounds = argc > 2 ? std::atoi(argv[2]) : 25;
    // Log level 0: the frame's own cost, without the records every connect and send writes.
    const CQuietInstallation log(0);
    const CScopedCatalog catalog(CScopedCatalog::Layer::kChains);
    WSAPROTOCOL_INFOW chainTcp = EnumCatalog()[0];
    WSAPROTOCOL_INFOW baseTcp = EnumCatalog()[4];
    WSADATA data;
    if (::WSAStartup(MAKEWORD(2, 2), &data) != 0) {
        std::fprintf(stderr, "WSAStartup failed\n");
        return 1;
    }
    std::vector<double> base;
    std::vector<double> layered;
    {
        const int nConnections = nBatches * nRounds + 1;
        CSocket plainListener(
            ::WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, &baseTcp, 0, WSA_FLAG_OVERLAPPED));
        CSocket layeredListener(
            ::WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, &chainTcp, 0, WSA_FLAG_OVERLAPPED));
        CLoopbackPeer plainPeer(std::move(plainListener), Serve, nConnections);
        CLoopbackPeer layeredPeer(std::move(layeredListener), Serve, nConnections);
        RoundTrip(baseTcp, plainPeer.Address());  // loads the providers outside the timing
        RoundTrip(chainTcp, layeredPeer.Address());
        // Which path goes first alternates too.
        for (int i = 0; i < nBatches; ++i) {
            if (i % 2 == 0) {
                base.push_back(Batch(baseTcp, plainPeer.Address(), nRounds));
            }
            layered.push_back(Batch(chainTcp, layeredPeer.Address(), nRounds));
            if (i % 2 != 0) {
                base.push_back(Batch(baseTcp, plainPeer.Address(), nRounds));
            }
        }
    }
    ::WSACleanup();
    const double dBase = Median(base);
    const double dLayered = Median(layered);
    // Adjacent batches share the machine's momentary load; their ratios cancel most of it.
    std::vector<double> ratios;
    for (size_t i = 0; i < base.size(); ++i) {
        ratios.push_back(layered[i] / base[i]);
    }
    std::printf(
        "round trip (connect, send 200 B, receive 2 KB, close), median of %d batches of %d\n",
        nBatches, nRounds);
    std::printf("  host + base provider:              %8.1f us\n", dBase);
    std::printf("  host + FilterLsp.dll + base:       %8.1f us\n", dLayered);
    std::printf("  ratio of the medians:              %8.3f\n", dLayered / dBase);
    std::printf("  median ratio of adjacent batches:  %8.3f (target <= 1.10)\n", Median(ratios));
    return 0;
}
