// A client that does what the asynchronous sockets of Go's and .NET's runtimes do, as a program
// of its own linked against the system's Winsock: its socket tied to a completion port that
// skips notices for requests done at once, ConnectEx (with the request in its send buffer or
// not), WSASend and WSARecv, DisconnectEx, each completion taken with
// GetQueuedCompletionStatusEx and read with WSAGetOverlappedResult. Tests run it through
// wsrun, so that the stand-in host and the layer serve it.
//   iocp_client ADDRESS PORT MODE REQUEST-FILE OUT-FILE
// MODE: with-connect (the request goes in ConnectEx's buffer), after-connect (with WSASend), or
// refused (nothing listens on PORT: the connect must fail through the port as on Windows).
// The bytes received go to OUT-FILE. Exit code 0, else 1 with the failed step on stderr.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <mswsock.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace {

// Only a guard against a hang: each completion comes long before.
constexpr DWORD kGuardMs = 20000;

[[noreturn]] void Fail(const char* szStep, DWORD dwError) {
    std::fprintf(stderr, "iocp_client: %s failed: %lu\n", szStep, dwError);
    std::exit(1);
}

template <class Fn>
Fn Extension(SOCKET s, GUID id) {
    Fn pfn = nullptr;
    DWORD dwBytes = 0;
    if (::WSAIoctl(s, SIO_GET_EXTENSION_FUNCTION_POINTER, &id, sizeof id, &pfn, sizeof pfn,
                   &dwBytes, nullptr, nullptr) != 0) {
        Fail("SIO_GET_EXTENSION_FUNCTION_POINTER", static_cast<DWORD>(::WSAGetLastError()));
    }
    return pfn;
}

class CClient {
public:
    CClient() {
        m_port = ::CreateIoCompletionPort(INVALID_HANDLE_VALUE, nullptr, 0, 1);
        m_s = ::WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, nullptr, 0, WSA_FLAG_OVERLAPPED);
        if (m_port == nullptr || m_s == INVALID_SOCKET) {
            Fail("socket", ::GetLastError());
        }
        // As libuv does to every socket, and as both runtimes tie them to their port.
        if (!::SetHandleInformation(reinterpret_cast<HANDLE>(m_s), HANDLE_FLAG_INHERIT, 0) ||
            ::CreateIoCompletionPort(reinterpret_cast<HANDLE>(m_s), m_port, kKey, 0) == nullptr ||
            !::SetFileCompletionNotificationModes(
                reinterpret_cast<HANDLE>(m_s),
                FILE_SKIP_COMPLETION_PORT_ON_SUCCESS | FILE_SKIP_SET_EVENT_ON_HANDLE)) {
            Fail("tie to the completion port", ::GetLastError());
        }
        sockaddr_in any{};
        any.sin_family = AF_INET;
        if (::bind(m_s, reinterpret_cast<const sockaddr*>(&any), sizeof any) != 0) {
            Fail("bind", static_cast<DWORD>(::WSAGetLastError()));
        }
        m_connectEx = Extension<LPFN_CONNECTEX>(m_s, WSAID_CONNECTEX);
        m_disconnectEx = Extension<LPFN_DISCONNECTEX>(m_s, WSAID_DISCONNECTEX);
    }

    // The connect's result: 0, or the error WSAGetOverlappedResult gives.
    DWORD Connect(const sockaddr_in& server, std::string* pFirst) {
        OVERLAPPED ov{};
        DWORD dwSent = 0;
        const BOOL bDone =
            m_connectEx(m_s, reinterpret_cast<const sockaddr*>(&server), sizeof server,
                        pFirst != nullptr ? pFirst->data() : nullptr,
                        pFirst != nullptr ? static_cast<DWORD>(pFirst->size()) : 0, &dwSent, &ov);
        const DWORD dwError = Finish(bDone ? 0 : static_cast<DWORD>(::WSAGetLastError()), ov);
        if (dwError == 0 &&
            ::setsockopt(m_s, SOL_SOCKET, SO_UPDATE_CONNECT_CONTEXT, nullptr, 0) != 0) {
            Fail("SO_UPDATE_CONNECT_CONTEXT", static_cast<DWORD>(::WSAGetLastError()));
        }
        return dwError;
    }

    // A connect nothing answers: GetQueuedCompletionStatus reports it failed, as the kernel's
    // status says, and WSAGetOverlappedResult gives the socket error.
    void ExpectRefused(const sockaddr_in& server) {
        OVERLAPPED ov{};
        if (m_connectEx(m_s, reinterpret_cast<const sockaddr*>(&server), sizeof server, nullptr, 0,
                        nullptr, &ov) ||
            ::WSAGetLastError() != ERROR_IO_PENDING) {
            Fail("ConnectEx to a closed port (pending)", static_cast<DWORD>(::WSAGetLastError()));
        }
        DWORD dwBytes = 0;
        ULONG_PTR uKey = 0;
        LPOVERLAPPED lpDone = nullptr;
        if (::GetQueuedCompletionStatus(m_port, &dwBytes, &uKey, &lpDone, kGuardMs) ||
            lpDone != &ov || uKey != kKey || ::GetLastError() != ERROR_CONNECTION_REFUSED) {
            Fail("GetQueuedCompletionStatus of a refused connect", ::GetLastError());
        }
        DWORD dwFlags = 0;
        if (::WSAGetOverlappedResult(m_s, &ov, &dwBytes, FALSE, &dwFlags) ||
            ::WSAGetLastError() != WSAECONNREFUSED) {
            Fail("WSAGetOverlappedResult of a refused connect",
                 static_cast<DWORD>(::WSAGetLastError()));
        }
    }

    void Send(std::string& data) {
        WSABUF buffer{static_cast<ULONG>(data.size()), data.data()};
        OVERLAPPED ov{};
        const int iResult = ::WSASend(m_s, &buffer, 1, nullptr, 0, &ov, nullptr);
        if (Finish(iResult == 0 ? 0 : static_cast<DWORD>(::WSAGetLastError()), ov) != 0) {
            Fail("WSASend", ::GetLastError());
        }
    }

    // Everything up to the end of the stream.
    std::string ReceiveAll() {
        std::string received;
        for (;;) {
            char chunk[1024];
            WSABUF buffer{sizeof chunk, chunk};
            DWORD dwFlags = 0;
            OVERLAPPED ov{};
            const int iResult = ::WSARecv(m_s, &buffer, 1, nullptr, &dwFlags, &ov, nullptr);
            if (Finish(iResult == 0 ? 0 : static_cast<DWORD>(::WSAGetLastError()), ov) != 0) {
                Fail("WSARecv", ::GetLastError());
            }
            if (m_dwBytes == 0) {
                return received;
            }
            received.append(chunk, m_dwBytes);
        }
    }

    void Disconnect() {
        OVERLAPPED ov{};
        const BOOL bDone = m_disconnectEx(m_s, &ov, 0, 0);
        if (Finish(bDone ? 0 : static_cast<DWORD>(::WSAGetLastError()), ov) != 0) {
            Fail("DisconnectEx", ::GetLastError());
        }
    }

    // No notice may be left over: each request was told of once.
    void ExpectNoMoreNotices() {
        OVERLAPPED_ENTRY entry{};
        ULONG nEntries = 0;
        if (::GetQueuedCompletionStatusEx(m_port, &entry, 1, &nEntries, 0, FALSE)) {
            Fail("a second notice of a request", 0);
        }
    }

    void ShutdownSend() { ::shutdown(m_s, SD_SEND); }
    void Close() { ::closesocket(m_s); }

private:
    static constexpr ULONG_PTR kKey = 0x5eed;

    // A request's end: done at once (no notice comes, the port skips it), or a notice on the
    // port. Its error, as WSAGetOverlappedResult tells it; m_dwBytes its byte count.
    DWORD Finish(DWORD dwStarted, OVERLAPPED& ov) {
        if (dwStarted != 0 && dwStarted != ERROR_IO_PENDING) {
            return dwStarted;
        }
        if (dwStarted == ERROR_IO_PENDING) {
            AwaitNotice(ov);
        }
        DWORD dwFlags = 0;
        if (!::WSAGetOverlappedResult(m_s, &ov, &m_dwBytes, FALSE, &dwFlags)) {
            return static_cast<DWORD>(::WSAGetLastError());
        }
        return 0;
    }

    void AwaitNotice(const OVERLAPPED& ov) {
        OVERLAPPED_ENTRY entries[4] = {};
        ULONG nEntries = 0;
        if (!::GetQueuedCompletionStatusEx(m_port, entries, 4, &nEntries, kGuardMs, FALSE)) {
            Fail("GetQueuedCompletionStatusEx", ::GetLastError());
        }
        if (nEntries != 1 || entries[0].lpOverlapped != &ov || entries[0].lpCompletionKey != kKey) {
            Fail("the notice of the request", nEntries);
        }
    }

    HANDLE m_port = nullptr;
    SOCKET m_s = INVALID_SOCKET;
    LPFN_CONNECTEX m_connectEx = nullptr;
    LPFN_DISCONNECTEX m_disconnectEx = nullptr;
    DWORD m_dwBytes = 0;
};

std::string ReadFile(const char* szPath) {
    std::ifstream in(szPath, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 6) {
        std::fprintf(stderr, "usage: iocp_client ADDRESS PORT MODE REQUEST-FILE OUT-FILE\n");
        return 2;
    }
    WSADATA data;
    if (::WSAStartup(MAKEWORD(2, 2), &data) != 0) {
        Fail("WSAStartup", 0);
    }
    sockaddr_in server{};
    server.sin_family = AF_INET;
    server.sin_port = ::htons(static_cast<u_short>(std::atoi(argv[2])));
    server.sin_addr.s_addr = ::inet_addr(argv[1]);
    const std::string mode = argv[3];
    std::string request = ReadFile(argv[4]);

    CClient client;
    if (mode == "refused") {
        client.ExpectRefused(server);
        client.Close();
        return 0;
    }
    const DWORD dwConnect = client.Connect(server, mode == "with-connect" ? &request : nullptr);
    if (dwConnect != 0) {
        Fail("ConnectEx", dwConnect);
    }
    if (mode == "after-connect") {
        client.Send(request);
    }
    // The server answers every request until the client is done sending.
    client.ShutdownSend();
    const std::string received = client.ReceiveAll();
    client.Disconnect();
    client.ExpectNoMoreNotices();
    client.Close();
    std::ofstream(argv[5], std::ios::binary) << received;
    ::WSACleanup();
    return 0;
}
