// The system's own TCP provider for IPv4, below any layered provider in the catalogue: a
// program of the product that must not be filtered (the category server) opens its sockets
// on it, as the catalogue's chains would otherwise put the filter's layer in their way.
#pragma once

#include <winsock2.h>

#include <optional>
#include <vector>

inline std::optional<WSAPROTOCOL_INFOW> BaseTcpProvider() {
    DWORD dwBytes = 0;
    if (::WSAEnumProtocolsW(nullptr, nullptr, &dwBytes) != SOCKET_ERROR ||
        ::WSAGetLastError() != WSAENOBUFS || dwBytes == 0) {
        return std::nullopt;
    }
    std::vector<WSAPROTOCOL_INFOW> protocols(dwBytes / sizeof(WSAPROTOCOL_INFOW) + 1);
    dwBytes = static_cast<DWORD>(protocols.size() * sizeof(WSAPROTOCOL_INFOW));
    const int nProtocols = ::WSAEnumProtocolsW(nullptr, protocols.data(), &dwBytes);
    for (int i = 0; i < nProtocols; ++i) {
        const WSAPROTOCOL_INFOW& protocol = protocols[static_cast<std::size_t>(i)];
        if (protocol.iAddressFamily == AF_INET && protocol.iSocketType == SOCK_STREAM &&
            protocol.iProtocol == IPPROTO_TCP && protocol.ProtocolChain.ChainLen == BASE_PROTOCOL) {
            return protocol;
        }
    }
    return std::nullopt;
}
