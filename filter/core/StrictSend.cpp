#include "filter/core/StrictSend.h"

#include <algorithm>
#include <string>
#include <vector>

#include "filter/core/CallArguments.h"
#include "filter/core/FilterHooks.h"
#include "filter/core/Judgement.h"
#include "filter/core/Refusal.h"
#include "filter/core/StrictStreams.h"
#include "filter/core/portable/FilterLog.h"
#include "filter/core/portable/HookGuard.h"

namespace {

bool ReadStream(SocketFilterState& state, LPWSABUF lpBuffers, DWORD dwBufferCount);

// The buffers after their first nSkip bytes.
std::vector<WSABUF> BuffersAfter(LPWSABUF lpBuffers, DWORD dwBufferCount, std::size_t nSkip) {
    std::vector<WSABUF> rest;
    for (DWORD i = 0; i < dwBufferCount; ++i) {
        const std::size_t nLength = lpBuffers[i].buf != nullptr ? lpBuffers[i].len : 0;
        if (nSkip >= nLength) {
            nSkip -= nLength;
            continue;
        }
        rest.push_back({static_cast<ULONG>(nLength - nSkip), lpBuffers[i].buf + nSkip});
        nSkip = 0;
    }
    return rest;
}

// A SOCKS request, judged by its target as a request for that host. An allowed target's
// tunnel is read as a new stream, from the bytes after the request on.
bool ReadSocksRequest(SocketFilterState& state, LPWSABUF lpBuffers, DWORD dwBufferCount) {
    std::size_t nRequest = 0;
    SocksStatus status = state.socksRequest.Status();
    for (DWORD i = 0; i < dwBufferCount && status == SocksStatus::kNeedMore; ++i) {
        if (lpBuffers[i].buf != nullptr) {
            std::size_t nUsed = 0;
            status = state.socksRequest.Feed(std::string_view(lpBuffers[i].buf, lpBuffers[i].len),
                                             &nUsed);
            nRequest += nUsed;
        }
    }
    if (status == SocksStatus::kNeedMore) {
        return false;
    }
    if (status == SocksStatus::kNotSocks) {
        FilterLog().Log("WSPSend    :: Not a SOCKS request, passed", 1);
        state.stream = StreamKind::kPassed;
        return false;
    }
    const CSocksRequest& request = state.socksRequest;
    FilterLog().Trace(1, "WSPSend    :: SOCKS%d request for %s port %u", request.Version(),
                      request.Host().c_str(), request.Port());
    JudgeServerName(state, request.Host());
    state.url = state.host;
    state.url += ':' + std::to_string(request.Port());
    if (state.GetVerdict() == Verdict::kBlock) {
        RefuseBlocked(state);
        return true;
    }
    return StartTunnel(state, lpBuffers, dwBufferCount, nRequest);
}

// The first bytes of a connection (or of a tunnel) say what it speaks.
void Classify(SocketFilterState& state, LPWSABUF lpBuffers, DWORD dwBufferCount) {
    const auto first = static_cast<unsigned char>(*FirstSentByte(lpBuffers, dwBufferCount));
    if (CClientHello::StartsHandshake(first)) {
        state.stream = StreamKind::kTls;
    } else if (CSocksRequest::Starts(first)) {
        state.stream = StreamKind::kSocks;
    } else {
        state.stream = StreamKind::kHttp;
    }
}

bool ReadStream(SocketFilterState& state, LPWSABUF lpBuffers, DWORD dwBufferCount) {
    if (state.stream == StreamKind::kUnread) {
        if (FirstSentByte(lpBuffers, dwBufferCount) == nullptr) {
            return false;
        }
        if (IsSslV2Hello(lpBuffers, dwBufferCount)) {
            return JudgeByAddress(state);
        }
        Classify(state, lpBuffers, dwBufferCount);
    }
    switch (state.stream) {
        case StreamKind::kTls:
            return ReadClientHello(state, lpBuffers, dwBufferCount);
        case StreamKind::kSocks:
            return ReadSocksRequest(state, lpBuffers, dwBufferCount);
        case StreamKind::kHttp:
            return ReadRequestHeads(state, lpBuffers, dwBufferCount);
        case StreamKind::kRefused:
            return true;
        default:
            return false;
    }
}

}  // namespace

bool StartTunnel(SocketFilterState& state, LPWSABUF lpBuffers, DWORD dwBufferCount,
                 std::size_t nSkip) {
    FilterLog().Log("WSPSend    :: Tunnel allowed; its own stream is judged next", 2);
    state.stream = StreamKind::kUnread;
    state.requestHeads = CRequestHeads();
    state.clientHello = CClientHello();
    state.socksRequest = CSocksRequest();
    std::vector<WSABUF> tunnel = BuffersAfter(lpBuffers, dwBufferCount, nSkip);
    if (tunnel.empty() || !ReadStream(state, tunnel.data(), static_cast<DWORD>(tunnel.size()))) {
        return false;
    }
    if (state.stream != StreamKind::kRefused) {
        // Held: the request before the tunnel's bytes is held with them.
        std::string before;
        for (DWORD i = 0; i < dwBufferCount && before.size() < nSkip; ++i) {
            if (lpBuffers[i].buf != nullptr) {
                before.append(lpBuffers[i].buf,
                              std::min<std::size_t>(lpBuffers[i].len, nSkip - before.size()));
            }
        }
        state.heldBytes.insert(0, before);
    }
    return true;
}

bool SendStrict(SOCKET s, LPWSABUF lpBuffers, DWORD dwBufferCount) {
    return TheSocketFilterTable().Change(static_cast<std::uint32_t>(s), true,
                                         [&](SocketFilterState& state) {
                                             if (state.stream == StreamKind::kRefused) {
                                                 return true;
                                             }
                                             return state.stream != StreamKind::kPassed &&
                                                    ReadStream(state, lpBuffers, dwBufferCount);
                                         });
}

KeptSend FilterKeptSend(SOCKET s, std::string* pHeld) noexcept {
    KeptSend kept = KeptSend::kRefused;
    GuardHook(false, [&] {
        return TheSocketFilterTable().Change(static_cast<std::uint32_t>(s), false,
                                             [&](SocketFilterState& state) {
                                                 if (state.stream == StreamKind::kRefused) {
                                                     kept = KeptSend::kRefused;
                                                 } else if (state.stream == StreamKind::kTls) {
                                                     kept = KeptSend::kHeld;
                                                 } else {
                                                     kept = KeptSend::kRelease;
                                                     pHeld->swap(state.heldBytes);
                                                     std::string().swap(state.heldBytes);
                                                 }
                                                 return true;
                                             });
    });
    return kept;
}
