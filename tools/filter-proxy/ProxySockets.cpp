#include "tools/filter-proxy/ProxySockets.h"

#include <ws2spi.h>

#include <vector>

namespace {

// The base provider's TCP/IPv4 entry, found once; false when the catalogue has none.
bool FindBaseTcpEntry(WSAPROTOCOL_INFOW& entry) {
    DWORD cb = 0;
    int iError = 0;
    ::WSCEnumProtocols(nullptr, nullptr, &cb, &iError);
    std::vector<WSAPROTOCOL_INFOW> records(cb / sizeof(WSAPROTOCOL_INFOW) + 1);
    cb = static_cast<DWORD>(records.size() * sizeof(WSAPROTOCOL_INFOW));
    const int n = ::WSCEnumProtocols(nullptr, records.data(), &cb, &iError);
    for (int i = 0; i < n; ++i) {
        const WSAPROTOCOL_INFOW& record = records[static_cast<std::size_t>(i)];
        if (record.ProtocolChain.ChainLen == BASE_PROTOCOL && record.iAddressFamily == AF_INET &&
            record.iSocketType == SOCK_STREAM && record.iProtocol == IPPROTO_TCP) {
            entry = record;
            return true;
        }
    }
    return false;
}

void NoDelay(SOCKET s) {
    const BOOL bOn = TRUE;
    ::setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&bOn), sizeof bOn);
}

sockaddr_in Address(std::uint32_t uAddress, std::uint16_t uPort) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = ::htonl(uAddress);
    address.sin_port = ::htons(uPort);
    return address;
}

}  // namespace

CSocket OpenBrowserListener(std::uint16_t uPort) {
    WSAPROTOCOL_INFOW entry{};
    const bool bBase = FindBaseTcpEntry(entry);
    CSocket listener(::WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, bBase ? &entry : nullptr, 0,
                                  WSA_FLAG_OVERLAPPED));
    const sockaddr_in address = Address(INADDR_LOOPBACK, uPort);
    if (!listener ||
        ::bind(listener.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener.Get(), SOMAXCONN) != 0) {
        listener.Reset();
    }
    return listener;
}

std::uint16_t LocalPort(SOCKET s) {
    sockaddr_in address{};
    int nAddress = sizeof address;
    ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &nAddress);
    return ::ntohs(address.sin_port);
}

CSocket ConnectUpstream(std::uint32_t uAddress, std::uint16_t uPort, int& iError) {
    CSocket s(::WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, nullptr, 0, WSA_FLAG_OVERLAPPED));
    const sockaddr_in address = Address(uAddress, uPort);
    if (!s ||
        ::connect(s.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        iError = ::WSAGetLastError();
        s.Reset();
        return s;
    }
    NoDelay(s.Get());
    return s;
}
