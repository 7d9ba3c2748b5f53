// A loopback port that was free a moment ago: nothing listens there, so a connect is refused.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include "win/UniqueSocket.h"

inline int FreeLoopbackPort() {
    const CSocket probe(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = ::inet_addr("127.0.0.1");
    int nAddress = sizeof address;
    ::bind(probe.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::getsockname(probe.Get(), reinterpret_cast<sockaddr*>(&address), &nAddress);
    return ::ntohs(address.sin_port);
}
