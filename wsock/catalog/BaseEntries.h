// The catalogue records of the stand-in base provider (wsbase.dll): TCP and UDP over IPv4 and
// IPv6, each a base entry (chain length 1). An installer of the stand-in installs them with
// WSCInstallProvider under kBaseProviderId.
#pragma once

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <array>
#include <cwchar>

namespace wsock {

// {5C1D7E2A-0B6F-4A93-8E47-D2A91F3C6B85}
inline constexpr GUID kBaseProviderId = {
    0x5c1d7e2a, 0x0b6f, 0x4a93, {0x8e, 0x47, 0xd2, 0xa9, 0x1f, 0x3c, 0x6b, 0x85}};

inline WSAPROTOCOL_INFOW MakeBaseRecord(int af, int type, int protocol, const wchar_t* szName) {
    WSAPROTOCOL_INFOW info{};
    const bool bStream = type == SOCK_STREAM;
    info.dwServiceFlags1 =
        XP1_IFS_HANDLES | (bStream ? (XP1_GUARANTEED_DELIVERY | XP1_GUARANTEED_ORDER |
                                      XP1_GRACEFUL_CLOSE | XP1_EXPEDITED_DATA)
                                   : (XP1_CONNECTIONLESS | XP1_MESSAGE_ORIENTED |
                                      XP1_SUPPORT_BROADCAST | XP1_SUPPORT_MULTIPOINT));
    info.dwProviderFlags = PFL_MATCHES_PROTOCOL_ZERO;
    info.ProviderId = kBaseProviderId;
    info.ProtocolChain.ChainLen = BASE_PROTOCOL;
    info.iVersion = 2;
    info.iAddressFamily = af;
    info.iMaxSockAddr = af == AF_INET6 ? sizeof(sockaddr_in6) : sizeof(sockaddr_in);
    info.iMinSockAddr = info.iMaxSockAddr;
    info.iSocketType = type;
    info.iProtocol = protocol;
    info.iNetworkByteOrder = BIGENDIAN;
    info.iSecurityScheme = SECURITY_PROTOCOL_NONE;
    info.dwMessageSize = bStream ? 0 : 65467;
    std::wcsncpy(info.szProtocol, szName, WSAPROTOCOL_LEN);
    return info;
}

inline std::array<WSAPROTOCOL_INFOW, 4> BaseRecords() {
    return {MakeBaseRecord(AF_INET, SOCK_STREAM, IPPROTO_TCP, L"Stand-in Tcpip [TCP/IP]"),
            MakeBaseRecord(AF_INET, SOCK_DGRAM, IPPROTO_UDP, L"Stand-in Tcpip [UDP/IP]"),
            MakeBaseRecord(AF_INET6, SOCK_STREAM, IPPROTO_TCP, L"Stand-in Tcpip [TCP/IPv6]"),
            MakeBaseRecord(AF_INET6, SOCK_DGRAM, IPPROTO_UDP, L"Stand-in Tcpip [UDP/IPv6]")};
}

}  // namespace wsock
