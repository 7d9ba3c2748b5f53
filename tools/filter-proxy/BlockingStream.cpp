#include "tools/filter-proxy/BlockingStream.h"

#include <algorithm>

#include "tools/filter-proxy/OverlappedStream.h"

namespace {

constexpr DWORD kSliceMs = 250;

}  // namespace

CBlockingStream::CBlockingStream(CSocket socket, HANDLE hStop)
    : m_socket(std::move(socket)), m_hStop(hStop) {}

CProxyStream::Received CBlockingStream::AwaitReady(bool bWrite, DWORD dwIdleMs) const {
    for (DWORD dwWaited = 0;;) {
        if (::WaitForSingleObject(m_hStop, 0) == WAIT_OBJECT_0) {
            return Received::kStopped;
        }
        const DWORD dwSlice = std::min(kSliceMs, dwIdleMs - dwWaited);
        fd_set ready;
        FD_ZERO(&ready);
        FD_SET(m_socket.Get(), &ready);
        timeval wait{0, static_cast<long>(dwSlice * 1000)};
        const int n =
            ::select(0, bWrite ? nullptr : &ready, bWrite ? &ready : nullptr, nullptr, &wait);
        if (n != 0) {
            return n > 0 ? Received::kData : Received::kFailed;
        }
        dwWaited += dwSlice;
        if (dwWaited >= dwIdleMs) {
            return Received::kIdle;
        }
    }
}

CProxyStream::Received CBlockingStream::Receive(std::string_view& data, DWORD dwIdleMs) {
    const Received ready = AwaitReady(false, dwIdleMs);
    if (ready != Received::kData) {
        return ready;
    }
    const int n = ::recv(m_socket.Get(), m_buffer.Data(), static_cast<int>(m_buffer.Size()), 0);
    if (n < 0) {
        return Received::kFailed;
    }
    data = std::string_view(m_buffer.Data(), static_cast<std::size_t>(n));
    return n == 0 ? Received::kClosed : Received::kData;
}

bool CBlockingStream::Send(std::string_view bytes, DWORD dwIdleMs) {
    while (!bytes.empty()) {
        if (AwaitReady(true, dwIdleMs) != Received::kData) {
            return false;
        }
        const int n = ::send(m_socket.Get(), bytes.data(),
                             static_cast<int>(std::min<std::size_t>(bytes.size(), 1 << 20)), 0);
        if (n <= 0) {
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

void CBlockingStream::ShutdownSend() {
    ::shutdown(m_socket.Get(), SD_SEND);
}

void CBlockingStream::Abort() {
    ::shutdown(m_socket.Get(), SD_BOTH);
}

std::unique_ptr<CProxyStream> MakeStream(CSocket socket, bool bOverlapped, HANDLE hStop) {
    if (bOverlapped) {
        return std::make_unique<COverlappedStream>(std::move(socket), hStop);
    }
    return std::make_unique<CBlockingStream>(std::move(socket), hStop);
}
