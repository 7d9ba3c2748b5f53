// Overlapped receive/send pairs on one connected pair of sockets through the provider host
// stand-in: once over the base provider alone and once with FilterLsp.dll layered over it.
// Each pair posts a receive on one side, sends 64 bytes from the other (overlapped too) and
// waits for both completions. The paths alternate in batches and are compared by medians.
#include <winsock2.h>
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "bench/provider/Batches.h"
#include "tests/support/LoopbackPeer.h"
#include "win/UniqueHandle.h"

namespace {

constexpr ULONG kMessageSize = 64;

struct CConnection {
    CSocket sender;
    CSocket receiver;
};

CConnection Connect(WSAPROTOCOL_INFOW& record) {
    CConnection c;
    CSocket listener(
        ::WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, &record, 0, WSA_FLAG_OVERLAPPED));
    sockaddr_in addr = LoopbackAddress(0);
    ::bind(listener.Get(), reinterpret_cast<const sockaddr*>(&addr), sizeof addr);
    ::listen(listener.Get(), 1);
    addr = LoopbackAddress(LocalPort(listener.Get()));
    c.sender.Reset(
        ::WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, &record, 0, WSA_FLAG_OVERLAPPED));
    if (::connect(c.sender.Get(), reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
        std::fprintf(stderr, "connect failed: %d\n", ::WSAGetLastError());
        std::exit(1);
    }
    c.receiver.Reset(::accept(listener.Get(), nullptr, nullptr));
    return c;
}

class CPairRunner {
public:
    explicit CPairRunner(CConnection& c) : m_c(c) {
        m_recvOv.hEvent = m_recvEvent.Get();
        m_sendOv.hEvent = m_sendEvent.Get();
    }

    // One receive/send pair; exits on failure.
    void Run() {
        WSABUF in{kMessageSize, m_in};
        WSABUF out{kMessageSize, m_out};
        DWORD dwFlags = 0;
        if (!Started(
                ::WSARecv(m_c.receiver.Get(), &in, 1, nullptr, &dwFlags, &m_recvOv, nullptr)) ||
            !Started(::WSASend(m_c.sender.Get(), &out, 1, nullptr, 0, &m_sendOv, nullptr))) {
            Fail("start");
        }
        DWORD dwBytes = 0;
        if (!::WSAGetOverlappedResult(m_c.sender.Get(), &m_sendOv, &dwBytes, TRUE, &dwFlags)) {
            Fail("send");
        }
        if (!::WSAGetOverlappedResult(m_c.receiver.Get(), &m_recvOv, &dwBytes, TRUE, &dwFlags)) {
            Fail("receive");
        }
        if (dwBytes != kMessageSize) {
            Fail("byte count");
        }
    }

private:
    static bool Started(int iResult) {
        return iResult == 0 || ::WSAGetLastError() == WSA_IO_PENDING;
    }
    [[noreturn]] static void Fail(const char* szStep) {
        std::fprintf(stderr, "overlapped pair failed (%s): %d\n", szStep, ::WSAGetLastError());
        std::exit(1);
    }

    CConnection& m_c;
    CHandle m_recvEvent{::WSACreateEvent()};
    CHandle m_sendEvent{::WSACreateEvent()};
    WSAOVERLAPPED m_recvOv{};
    WSAOVERLAPPED m_sendOv{};
    char m_in[kMessageSize] = {};
    char m_out[kMessageSize] = {};
};

// Microseconds per pair over nPairs.
double Batch(CPairRunner& runner, int nPairs) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < nPairs; ++i) {
        runner.Run();
    }
    const auto elapsed = std::chrono::steady_clock::now() - start;
    return std::chrono::duration<double, std::micro>(elapsed).count() / nPairs;
}

}  // namespace

int main(int argc, char** argv) {
    PinToOneProcessor();
    const int nBatches = argc > 1 ? std::atoi(argv[1]) : 40;
    const int nPairs = argc > 2 ? std::atoi(argv[2]) : 250;
    CBenchSession session;
    if (!session.Started()) {
        return 1;
    }
    BatchTimes times;
    {
        CConnection plain = Connect(session.baseTcp);
        CConnection filtered = Connect(session.chainTcp);
        CPairRunner plainRunner(plain);
        CPairRunner layeredRunner(filtered);
        plainRunner.Run();  // ties the sockets to their ports outside the timing
        layeredRunner.Run();
        times = AlternateBatches(
            nBatches, [&] { return Batch(plainRunner, nPairs); },
            [&] { return Batch(layeredRunner, nPairs); });
    }
    std::printf(
        "overlapped receive/send pair (%lu B), median of %d batches of %d (%d pairs each)\n",
        static_cast<unsigned long>(kMessageSize), nBatches, nPairs, nBatches * nPairs);
    PrintComparison(times, 1.25);
    return 0;
}
