#include "tools/filter-proxy/OverlappedStream.h"

#include <algorithm>
#include <cstring>

#include "tools/filter-proxy/ProxyLog.h"

namespace {

// How long closing waits for an operation in flight to give its memory back.
constexpr DWORD kSettleMs = 5000;

}  // namespace

COverlappedStream::COverlappedStream(CSocket socket, HANDLE hStop)
    : m_socket(std::move(socket)), m_hStop(hStop) {}

COverlappedStream::~COverlappedStream() {
    m_socket.Reset();
    Settle(m_receive);
    Settle(m_send);
}

void COverlappedStream::Settle(std::unique_ptr<COperation>& op) {
    if (op->bPending && ::WaitForSingleObject(op->event.Get(), kSettleMs) != WAIT_OBJECT_0) {
        // The socket is closed but the operation never finished: its memory may still be
        // written, so it is left allocated rather than freed under it.
        ProxyLog("an overlapped operation did not finish after its socket closed");
        static_cast<void>(op.release());
    }
}

bool COverlappedStream::StartReceive() {
    COperation& op = *m_receive;
    if (op.bPending) {
        return true;
    }
    ::ResetEvent(op.event.Get());
    op.overlapped = WSAOVERLAPPED{};
    op.overlapped.hEvent = op.event.Get();
    WSABUF buffer{static_cast<ULONG>(op.buffer.Size()), op.buffer.Data()};
    DWORD dwFlags = 0;
    if (::WSARecv(m_socket.Get(), &buffer, 1, nullptr, &dwFlags, &op.overlapped, nullptr) != 0 &&
        ::WSAGetLastError() != WSA_IO_PENDING) {
        return false;
    }
    op.bPending = true;
    return true;
}

CProxyStream::Received COverlappedStream::FinishReceive(std::string_view& data) {
    COperation& op = *m_receive;
    DWORD dwBytes = 0;
    DWORD dwFlags = 0;
    const BOOL bDone =
        ::WSAGetOverlappedResult(m_socket.Get(), &op.overlapped, &dwBytes, FALSE, &dwFlags);
    if (!bDone && ::WSAGetLastError() == WSA_IO_INCOMPLETE) {
        return Received::kIdle;
    }
    op.bPending = false;
    if (!bDone) {
        return Received::kFailed;
    }
    data = std::string_view(op.buffer.Data(), dwBytes);
    return dwBytes == 0 ? Received::kClosed : Received::kData;
}

bool COverlappedStream::Await(COperation& op, DWORD dwIdleMs) const {
    const HANDLE handles[] = {op.event.Get(), m_hStop};
    return ::WaitForMultipleObjects(2, handles, FALSE, dwIdleMs) == WAIT_OBJECT_0;
}

CProxyStream::Received COverlappedStream::Receive(std::string_view& data, DWORD dwIdleMs) {
    if (!StartReceive()) {
        return Received::kFailed;
    }
    if (!Await(*m_receive, dwIdleMs)) {
        return ::WaitForSingleObject(m_hStop, 0) == WAIT_OBJECT_0 ? Received::kStopped
                                                                  : Received::kIdle;
    }
    return FinishReceive(data);
}

bool COverlappedStream::Send(std::string_view bytes, DWORD dwIdleMs) {
    COperation& op = *m_send;
    while (!bytes.empty()) {
        if (op.bPending) {
            return false;  // an earlier send never finished
        }
        // Copied: a send given up on may still read its buffer after this call returns.
        const std::size_t nChunk = std::min(bytes.size(), op.buffer.Size());
        std::memcpy(op.buffer.Data(), bytes.data(), nChunk);
        ::ResetEvent(op.event.Get());
        op.overlapped = WSAOVERLAPPED{};
        op.overlapped.hEvent = op.event.Get();
        WSABUF buffer{static_cast<ULONG>(nChunk), op.buffer.Data()};
        if (::WSASend(m_socket.Get(), &buffer, 1, nullptr, 0, &op.overlapped, nullptr) != 0 &&
            ::WSAGetLastError() != WSA_IO_PENDING) {
            return false;
        }
        op.bPending = true;
        if (!Await(op, dwIdleMs)) {
            return false;
        }
        DWORD dwBytes = 0;
        DWORD dwFlags = 0;
        const BOOL bDone =
            ::WSAGetOverlappedResult(m_socket.Get(), &op.overlapped, &dwBytes, FALSE, &dwFlags);
        op.bPending = false;
        if (!bDone || dwBytes == 0) {
            return false;
        }
        bytes.remove_prefix(std::min<std::size_t>(dwBytes, nChunk));
    }
    return true;
}

void COverlappedStream::ShutdownSend() {
    ::shutdown(m_socket.Get(), SD_SEND);
}

void COverlappedStream::Abort() {
    ::shutdown(m_socket.Get(), SD_BOTH);
}
