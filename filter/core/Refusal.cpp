#include "filter/core/Refusal.h"

#include "Api/PolicyApi.h"
#include "filter/core/BlockRecord.h"
#include "filter/core/SharedFilterState.h"
#include "filter/core/portable/FilterLog.h"

namespace {

using namespace std::string_view_literals;

// A fatal TLS alert, access_denied (49), in a record any TLS version reads. Clients report
// it and give up, where a reset would make some retry.
constexpr std::string_view kAccessDeniedAlert = "\x15\x03\x03\x00\x02\x02\x31"sv;
// SOCKS5: version, reply 0x02 "connection not allowed by ruleset", reserved, an IPv4 bound
// address of zeros and port 0.
constexpr std::string_view kSocks5Refusal = "\x05\x02\x00\x01\x00\x00\x00\x00\x00\x00"sv;
// SOCKS4: version 0, reply 0x5B "request rejected or failed", port and address of zeros.
constexpr std::string_view kSocks4Refusal = "\x00\x5B\x00\x00\x00\x00\x00\x00"sv;
// Not a 2xx, which would tell the client its tunnel is open.
constexpr std::string_view kConnectRefusal =
    "HTTP/1.1 403 Forbidden\r\nConnection: close\r\nContent-Type: text/plain\r\n"
    "Content-Length: 24\r\n\r\nBlocked by the filter.\r\n"sv;

std::string_view BlockedReply(const SocketFilterState& state) {
    switch (state.stream) {
        case StreamKind::kSocks:
            return state.socksRequest.Version() == 4 ? kSocks4Refusal : kSocks5Refusal;
        case StreamKind::kHttpConnect:
            return kConnectRefusal;
        default:
            return kAccessDeniedAlert;
    }
}

void EndStream(SocketFilterState& state, std::string_view reply) {
    state.stream = StreamKind::kRefused;
    state.webPageBlocked = 0;
    state.redirected = 1;
    state.pendingPage.assign(reply);
}

}  // namespace

std::string_view TlsRefusalReply() {
    return kAccessDeniedAlert;
}

void RefuseBlocked(SocketFilterState& state) {
    FilterLog().Trace(1, "WSPSend    :: Connection refused: %s", state.host);
    EndStream(state, BlockedReply(state));
    // A connection refused, with no page shown: the journal's HTTPS kind.
    RecordBlock(state, BLOCK_SCHEME_HTTPS);
}

bool RefuseUnreadable(SocketFilterState& state, std::string_view reply, const char* szWhy) {
    if (TheSharedState().filterOff != 0) {
        // Filtering switched off judges nothing, and so refuses nothing.
        state.stream = StreamKind::kPassed;
        return false;
    }
    FilterLog().Trace(1, "WSPSend    :: Connection refused: %s", szWhy);
    EndStream(state, reply);
    return true;
}
