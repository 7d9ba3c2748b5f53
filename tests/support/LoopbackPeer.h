// A TCP peer on 127.0.0.1 for socket tests: a thread that accepts connections one after another
// and runs a handler on each. Its sockets go through whatever Winsock the test links.
#pragma once

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <functional>
#include <string>
#include <thread>
#include <utility>

#include "win/UniqueSocket.h"

inline sockaddr_in LoopbackAddress(u_short uPort) {
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(uPort);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return addr;
}

inline u_short LocalPort(SOCKET s) {
    sockaddr_in addr{};
    int len = sizeof addr;
    ::getsockname(s, reinterpret_cast<sockaddr*>(&addr), &len);
    return ntohs(addr.sin_port);
}

// Receives until the peer shuts down its sending side (or an error).
inline std::string ReceiveAll(SOCKET s) {
    std::string data;
    char buf[4096];
    for (;;) {
        const int n = ::recv(s, buf, sizeof buf, 0);
        if (n <= 0) {
            return data;
        }
        data.append(buf, static_cast<size_t>(n));
    }
}

inline bool SendAll(SOCKET s, const std::string& data) {
    size_t nDone = 0;
    while (nDone < data.size()) {
        const int n = ::send(s, data.data() + nDone, static_cast<int>(data.size() - nDone), 0);
        if (n <= 0) {
            return false;
        }
        nDone += static_cast<size_t>(n);
    }
    return true;
}

class CLoopbackPeer {
public:
    using Handler = std::function<void(SOCKET)>;

    // nConnections: how many connections the thread serves before it ends.
    CLoopbackPeer(Handler handler, int nConnections = 1)
        : CLoopbackPeer(CSocket(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP)), std::move(handler),
                        nConnections) {}
    // Serves on a listening socket the caller made (a TCP socket, not yet bound).
    CLoopbackPeer(CSocket listener, Handler handler, int nConnections)
        : m_handler(std::move(handler)), m_listener(std::move(listener)) {
        const sockaddr_in addr = LoopbackAddress(0);
        ::bind(m_listener.Get(), reinterpret_cast<const sockaddr*>(&addr), sizeof addr);
        ::listen(m_listener.Get(), SOMAXCONN);
        m_uPort = LocalPort(m_listener.Get());
        m_thread = std::thread([this, nConnections] {
            for (int i = 0; i < nConnections; ++i) {
                CSocket conn(::accept(m_listener.Get(), nullptr, nullptr));
                if (!conn) {
                    return;
                }
                m_handler(conn.Get());
            }
        });
    }
    CLoopbackPeer(const CLoopbackPeer&) = delete;
    CLoopbackPeer& operator=(const CLoopbackPeer&) = delete;
    ~CLoopbackPeer() {
        if (m_thread.joinable()) {
            m_thread.join();
        }
    }

    u_short Port() const { return m_uPort; }
    sockaddr_in Address() const { return LoopbackAddress(m_uPort); }

    // An echo handler: sends back everything until the client shuts down its side.
    static void Echo(SOCKET s) {
        SendAll(s, ReceiveAll(s));
        ::shutdown(s, SD_SEND);
    }

private:
    Handler m_handler;
    CSocket m_listener;
    u_short m_uPort = 0;
    std::thread m_thread;
};

// A port on which nothing listens, so that connecting to it is refused: bound, so that no one
// else takes it while the test runs.
class CClosedPort {
public:
    explicit CClosedPort(const char* szAddress = "127.0.0.1")
        : m_socket(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP)) {
        sockaddr_in address = LoopbackAddress(0);
        address.sin_addr.s_addr = ::inet_addr(szAddress);
        ::bind(m_socket.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address);
        m_iPort = LocalPort(m_socket.Get());
    }
    int Port() const { return m_iPort; }

private:
    CSocket m_socket;
    int m_iPort = 0;
};
