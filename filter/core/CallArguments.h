// What the filter reads of an application's send and connect arguments.
#pragma once

#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstdint>

// The first byte of the first non-empty buffer, or null when there is none.
inline const char* FirstSentByte(LPWSABUF lpBuffers, DWORD dwBufferCount) {
    for (DWORD i = 0; lpBuffers != nullptr && i < dwBufferCount; ++i) {
        if (lpBuffers[i].len != 0 && lpBuffers[i].buf != nullptr) {
            return lpBuffers[i].buf;
        }
    }
    return nullptr;
}

// The port of an IPv4 or IPv6 address in host order, or 0.
inline std::uint16_t PortOf(const sockaddr* name, int namelen) {
    if (name == nullptr) {
        return 0;
    }
    if (name->sa_family == AF_INET && namelen >= static_cast<int>(sizeof(sockaddr_in))) {
        return ::ntohs(reinterpret_cast<const sockaddr_in*>(name)->sin_port);
    }
    if (name->sa_family == AF_INET6 && namelen >= static_cast<int>(sizeof(sockaddr_in6))) {
        return ::ntohs(reinterpret_cast<const sockaddr_in6*>(name)->sin6_port);
    }
    return 0;
}
