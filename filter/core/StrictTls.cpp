// TLS with the strict switch on: a connection judged by the server name of its ClientHello, by
// the peer's address when the hello names no host, and refused when the hello cannot be read.
#include "filter/core/Judgement.h"
#include "filter/core/Refusal.h"
#include "filter/core/StrictStreams.h"
#include "filter/core/portable/BlockPage.h"
#include "filter/core/portable/FilterLog.h"

namespace {

bool IsBlocked(const SocketFilterState& state) {
    return state.GetVerdict() == Verdict::kBlock;
}

// Ends the judgement of a connection judged by its site: refused or passed for good.
bool Conclude(SocketFilterState& state) {
    if (IsBlocked(state)) {
        RefuseBlocked(state);
        return true;
    }
    state.stream = StreamKind::kPassed;
    state.webPageBlocked = 0;
    return false;
}

// An Encrypted Client Hello hides the site behind its outer name, the client-facing server's,
// which is judged like any name: an unknown one is "Null", refused where the profile refuses
// sites of unknown category. A hello is not refused for the extension alone: browsers send it
// in every hello, as GREASE (random bytes with the real name outside), and no reader can tell
// that from a real one, so refusing it would refuse all of a browser's HTTPS.
void NoteHiddenSite(const SocketFilterState& state) {
    FilterLog().Trace(1, "WSPSend    :: Encrypted Client Hello, judged by its outer name %s",
                      state.host);
}

// Bytes of the first non-empty buffers, as far as `n` of them lie in the buffers.
unsigned char SentByte(LPWSABUF lpBuffers, DWORD dwBufferCount, std::size_t n, bool* pbFound) {
    for (DWORD i = 0; i < dwBufferCount; ++i) {
        if (lpBuffers[i].buf != nullptr && n < lpBuffers[i].len) {
            *pbFound = true;
            return static_cast<unsigned char>(lpBuffers[i].buf[n]);
        }
        n -= lpBuffers[i].buf != nullptr ? lpBuffers[i].len : 0;
    }
    *pbFound = false;
    return 0;
}

}  // namespace

bool IsSslV2Hello(LPWSABUF lpBuffers, DWORD dwBufferCount) {
    // A two-byte length with the top bit set, message type 1 (CLIENT-HELLO), then the
    // version: 2.0 or 3.x.
    bool bFound = false;
    unsigned char bytes[4] = {};
    for (std::size_t i = 0; i < 4; ++i) {
        bytes[i] = SentByte(lpBuffers, dwBufferCount, i, &bFound);
        if (!bFound) {
            return false;
        }
    }
    return (bytes[0] & 0x80) != 0 && bytes[2] == 1 && (bytes[3] == 3 || bytes[3] == 0);
}

bool JudgeByAddress(SocketFilterState& state) {
    FilterLog().Trace(1, "WSPSend    :: TLS without a server name, judged by its address %s",
                      state.peerAddress.c_str());
    if (state.peerAddress.empty()) {
        state.stream = StreamKind::kPassed;
        return false;
    }
    JudgeServerName(state, state.peerAddress);
    return Conclude(state);
}

namespace {

void Hold(SocketFilterState& state, LPWSABUF lpBuffers, DWORD dwBufferCount) {
    for (DWORD i = 0; i < dwBufferCount; ++i) {
        if (lpBuffers[i].buf != nullptr) {
            state.heldBytes.append(lpBuffers[i].buf, lpBuffers[i].len);
        }
    }
}

bool JudgeWholeHello(SocketFilterState& state, ClientHelloStatus status) {
    const CClientHello hello = std::move(state.clientHello);
    state.clientHello = CClientHello();  // read once; the record stays small
    switch (status) {
        case ClientHelloStatus::kServerName:
            JudgeServerName(state, hello.ServerName());
            if (hello.HasEncryptedHello()) {
                NoteHiddenSite(state);
            }
            return Conclude(state);
        case ClientHelloStatus::kNoServerName:
            return JudgeByAddress(state);
        case ClientHelloStatus::kMalformed:
            return RefuseUnreadable(state, TlsRefusalReply(),
                                    "ClientHello malformed or over 16 KiB");
        default:
            // Not a ClientHello (a server's handshake, say): no server takes it for one.
            FilterLog().Log("WSPSend    :: TLS handshake without a ClientHello, passed", 1);
            state.stream = StreamKind::kPassed;
            return false;
    }
}

}  // namespace

bool ReadClientHello(SocketFilterState& state, LPWSABUF lpBuffers, DWORD dwBufferCount) {
    ClientHelloStatus status = state.clientHello.Status();
    for (DWORD i = 0; i < dwBufferCount && status == ClientHelloStatus::kNeedMore; ++i) {
        if (lpBuffers[i].buf != nullptr) {
            status = state.clientHello.Feed(std::string_view(lpBuffers[i].buf, lpBuffers[i].len));
        }
    }
    if (status == ClientHelloStatus::kNeedMore) {
        // The pieces are kept until the hello is whole: a blocked site's server must get
        // nothing of it, not even the start.
        Hold(state, lpBuffers, dwBufferCount);
        return true;
    }
    const bool bRefused = JudgeWholeHello(state, status);
    if (state.heldBytes.empty()) {
        return bRefused;
    }
    // Earlier pieces were kept: allowed, they go now with this send's bytes (the frame takes
    // them); refused, they are dropped.
    if (bRefused) {
        std::string().swap(state.heldBytes);
    } else {
        Hold(state, lpBuffers, dwBufferCount);
    }
    return true;
}
