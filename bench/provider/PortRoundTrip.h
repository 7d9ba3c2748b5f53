// An HTTP exchange as Go's, libuv's and .NET's runtimes make it: the socket tied to a
// completion port, ConnectEx carrying the request, overlapped receives to the end of the
// answer, every completion taken from the port. For the benchmarks that put the layer's
// extension functions beside the base provider's. These programs link the stand-in host in
// place of ws2_32, so they tie sockets to the port with the host's CreateIoCompletionPort, as
// wsrun makes an unmodified program do.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <mswsock.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/support/LoopbackPeer.h"
#include "win/UniqueHandle.h"
#include "wsock/host/HostExtensions.h"

class CPortClient {
public:
    // Sockets of one provider record (the layer's chain or the base provider).
    explicit CPortClient(WSAPROTOCOL_INFOW& record)
        : m_record(record), m_port(::CreateIoCompletionPort(INVALID_HANDLE_VALUE, nullptr, 0, 1)) {}

    // One exchange: the answer read to its end or to nAnswer bytes, whichever comes first;
    // its byte count. Exits on failure.
    size_t RoundTrip(const sockaddr_in& server, std::string& request, size_t nAnswer) {
        CSocket s(
            ::WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, &m_record, 0, WSA_FLAG_OVERLAPPED));
        sockaddr_in any{};
        any.sin_family = AF_INET;
        if (!s ||
            WshCreateIoCompletionPort(reinterpret_cast<HANDLE>(s.Get()), m_port.Get(), 1, 0) ==
                nullptr ||
            ::bind(s.Get(), reinterpret_cast<const sockaddr*>(&any), sizeof any) != 0) {
            Fail("socket");
        }
        // Runtimes ask once per process; the function is the same for every socket of a chain.
        if (m_connectEx == nullptr) {
            GUID id = WSAID_CONNECTEX;
            DWORD dwBytes = 0;
            ::WSAIoctl(s.Get(), SIO_GET_EXTENSION_FUNCTION_POINTER, &id, sizeof id, &m_connectEx,
                       sizeof m_connectEx, &dwBytes, nullptr, nullptr);
        }
        OVERLAPPED ov{};
        if (m_connectEx == nullptr ||
            (!m_connectEx(s.Get(), reinterpret_cast<const sockaddr*>(&server), sizeof server,
                          request.data(), static_cast<DWORD>(request.size()), nullptr, &ov) &&
             ::WSAGetLastError() != ERROR_IO_PENDING)) {
            Fail("ConnectEx");
        }
        Await(ov);
        ::setsockopt(s.Get(), SOL_SOCKET, SO_UPDATE_CONNECT_CONTEXT, nullptr, 0);
        size_t nReceived = 0;
        while (nReceived < nAnswer) {
            char buffer[4096];
            WSABUF in{sizeof buffer, buffer};
            DWORD dwFlags = 0;
            ov = OVERLAPPED{};
            if (::WSARecv(s.Get(), &in, 1, nullptr, &dwFlags, &ov, nullptr) != 0 &&
                ::WSAGetLastError() != WSA_IO_PENDING) {
                Fail("WSARecv");
            }
            const DWORD dwBytes = Await(ov);
            if (dwBytes == 0) {
                break;
            }
            nReceived += dwBytes;
        }
        return nReceived;
    }

private:
    // The request's notice from the port; its byte count.
    DWORD Await(const OVERLAPPED& ov) {
        DWORD dwBytes = 0;
        ULONG_PTR uKey = 0;
        LPOVERLAPPED lpDone = nullptr;
        if (!::GetQueuedCompletionStatus(m_port.Get(), &dwBytes, &uKey, &lpDone, 20000) ||
            lpDone != &ov) {
            Fail("completion");
        }
        return dwBytes;
    }

    [[noreturn]] static void Fail(const char* szStep) {
        std::fprintf(stderr, "port round trip failed (%s): %lu %d\n", szStep, ::GetLastError(),
                     ::WSAGetLastError());
        std::exit(1);
    }

    WSAPROTOCOL_INFOW& m_record;
    CHandle m_port;
    LPFN_CONNECTEX m_connectEx = nullptr;
};
