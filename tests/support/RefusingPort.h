// A loopback port held bound and never listening: a connect to it is refused, and no other
// program can start listening there while the test runs.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include "win/UniqueSocket.h"

class CRefusingPort {
public:
    CRefusingPort() {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = ::inet_addr("127.0.0.1");
        int nAddress = sizeof address;
        ::bind(m_socket.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::getsockname(m_socket.Get(), reinterpret_cast<sockaddr*>(&address), &nAddress);
        m_uPort = ::ntohs(address.sin_port);
    }
    u_short Port() const { return m_uPort; }

private:
    CSocket m_socket{::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP)};
    u_short m_uPort = 0;
};
