// QUIC refused: HTTP/3 runs over UDP where no TCP judgement sees it, and a browser whose QUIC
// packets cannot be sent falls back to TLS over TCP, which is judged by its server name.
#include <winsock2.h>

#include "filter/core/CallArguments.h"
#include "filter/core/FilterHooks.h"
#include "filter/core/SharedFilterState.h"
#include "filter/core/portable/FilterLog.h"
#include "filter/core/portable/HookGuard.h"

namespace {

constexpr std::uint16_t kHttpsPort = 443;

// The header form and fixed bits of a QUIC long header, which every packet that opens a
// connection carries (Initial, 0-RTT, Handshake).
bool IsQuicLongHeader(char firstByte) {
    return (static_cast<unsigned char>(firstByte) & 0xC0) == 0xC0;
}

std::uint16_t ConnectedPort(SOCKET s) {
    const auto state = TheSocketFilterTable().Lookup(static_cast<std::uint32_t>(s));
    return state ? state->peerPort : 0;
}

}  // namespace

bool FilterRefusesDatagram(SOCKET s, LPWSABUF lpBuffers, DWORD dwBufferCount, const sockaddr* lpTo,
                           int iToLen) noexcept {
    if (!StrictFilterOn() || gSharedState.filterOff != 0) {
        return false;
    }
    return GuardHook(false, [&] {
        const char* pFirst = FirstSentByte(lpBuffers, dwBufferCount);
        if (pFirst == nullptr || !IsQuicLongHeader(*pFirst)) {
            return false;
        }
        const std::uint16_t uPort = lpTo != nullptr ? PortOf(lpTo, iToLen) : ConnectedPort(s);
        if (uPort != kHttpsPort) {
            return false;
        }
        FilterLog().Log("WSPSendTo  :: QUIC to port 443 refused", 2);
        return true;
    });
}
