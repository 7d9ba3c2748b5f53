// QUIC refused: HTTP/3 runs over UDP where no TCP judgement sees it, and a browser whose QUIC
// packets cannot be sent falls back to TLS over TCP, which is judged by its server name. It is
// refused on every port, since a server may offer HTTP/3 on any.
#include <winsock2.h>

#include <algorithm>
#include <cstring>

#include "filter/core/CallArguments.h"
#include "filter/core/FilterHooks.h"
#include "filter/core/SharedFilterState.h"
#include "filter/core/portable/FilterLog.h"
#include "filter/core/portable/HookGuard.h"
#include "filter/core/portable/QuicDatagram.h"

namespace {

// As much of the datagram's start as QUIC is recognised by, gathered across its buffers.
std::string_view DatagramStart(LPWSABUF lpBuffers, DWORD dwBufferCount,
                               char (&start)[kQuicProbeBytes]) {
    std::size_t n = 0;
    for (DWORD i = 0; i < dwBufferCount && n < kQuicProbeBytes; ++i) {
        if (lpBuffers[i].buf != nullptr) {
            const std::size_t nPart = std::min<std::size_t>(lpBuffers[i].len, kQuicProbeBytes - n);
            std::memcpy(start + n, lpBuffers[i].buf, nPart);
            n += nPart;
        }
    }
    return std::string_view(start, n);
}

std::uint16_t ConnectedPort(SOCKET s) {
    const auto state = TheSocketFilterTable().Lookup(static_cast<std::uint32_t>(s));
    return state ? state->peerPort : 0;
}

}  // namespace

bool FilterRefusesDatagram(SOCKET s, LPWSABUF lpBuffers, DWORD dwBufferCount, const sockaddr* lpTo,
                           int iToLen) noexcept {
    if (!StrictFilterOn() || TheSharedState().filterOff != 0) {
        return false;
    }
    return GuardHook(false, [&] {
        char start[kQuicProbeBytes];
        if (!IsQuicLongHeader(DatagramStart(lpBuffers, dwBufferCount, start))) {
            return false;
        }
        FilterLog().Trace(2, "WSPSendTo  :: QUIC refused (port %u)",
                          lpTo != nullptr ? PortOf(lpTo, iToLen) : ConnectedPort(s));
        return true;
    });
}
