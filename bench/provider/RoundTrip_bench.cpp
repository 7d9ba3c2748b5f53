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

// Each path has its own peer, whose accepted sockets take the same path.
int main(int argc, char** argv) {
    PinToOneProcessor();
    const int nBatches = argc > 1 ? std::atoi(argv[1]) : 41;
    const int nRounds = argc > 2 ? std::atoi(argv[2]) : 25;
    CBenchSession session;
    if (!session.Started()) {
        return 1;
    }
    BatchTimes times;
    {
        const int nConnections = nBatches * nRounds + 1;
        CLoopbackPeer plainPeer(CSocket(::WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP,
                                                     &session.baseTcp, 0, WSA_FLAG_OVERLAPPED)),
                                Serve, nConnections);
        CLoopbackPeer layeredPeer(CSocket(::WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP,
                                                       &session.chainTcp, 0, WSA_FLAG_OVERLAPPED)),
                                  Serve, nConnections);
        // Loads the providers outside the timing.
        RoundTrip(session.baseTcp, plainPeer.Address());
        RoundTrip(session.chainTcp, layeredPeer.Address());
        times = AlternateBatches(
            nBatches, [&] { return Batch(session.baseTcp, plainPeer.Address(), nRounds); },
            [&] { return Batch(session.chainTcp, layeredPeer.Address(), nRounds); });
    }
    std::printf(
        "round trip (connect, send 200 B, receive 2 KB, close), median of %d batches of %d\n",
        nBatches, nRounds);
    PrintComparison(times, 1.10);
    return 0;
}
