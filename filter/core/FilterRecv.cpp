// The receive path: a blocked connection's first response is replaced by the block page, and
// the stream ends after it.
#include <winsock2.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <exception>
#include <string>

#include "Api/PolicyApi.h"
#include "filter/core/BlockPagePictures.h"
#include "filter/core/BlockRecord.h"
#include "filter/core/FilterHooks.h"
#include "filter/core/SharedFilterState.h"
#include "filter/core/portable/BlockPage.h"
#include "filter/core/portable/FilterLog.h"
#include "filter/core/portable/HookGuard.h"

namespace {

std::string BuildResponse(const SocketFilterState& state) {
    in_addr address;
    address.s_addr = state.ipAddress;
    BlockPageValues values;
    values.iPolicy = state.policyApplied;
    values.host = state.host;
    values.matchedWord = state.matchedWord;
    values.category = state.category;
    values.currentUser = TheSharedState().currentUser;
    values.applicationPath = TheSharedState().applicationPath;
    const std::string strAddress = ::inet_ntoa(address);
    values.ipAddress = strAddress;
    return StrictFilterOn() ? BuildStrictBlockPageResponse(values, TheBlockPagePictures())
                            : BuildBlockPageResponse(values);
}

// Puts as much of `page` as fits into the buffer (with a NUL after it when there is room),
// keeps the rest for the following receives, and returns the count delivered.
DWORD Deliver(std::string& page, WSABUF& buffer) {
    const std::size_t n = std::min<std::size_t>(page.size(), buffer.len);
    std::memcpy(buffer.buf, page.data(), n);
    if (n < buffer.len) {
        buffer.buf[n] = '\0';
    }
    page.erase(0, n);
    return static_cast<DWORD>(n);
}

// Replaces the received bytes with the block page; the connection is redirected from now on.
void Redirect(SocketFilterState& state, WSABUF& buffer, LPDWORD lpNumberOfBytesRecvd) {
    try {
        FilterLog().Log("WSPRecv :: Preparing Redirection page......", 2);
        state.pendingPage = BuildResponse(state);
        *lpNumberOfBytesRecvd = Deliver(state.pendingPage, buffer);
        FilterLog().Trace(2, "WSPRecv :: Number of bytes copied in receive buffer =%lu",
                          *lpNumberOfBytesRecvd);
        FilterLog().Log("WSPRecv :: Page Redirected", 1);
        state.webPageBlocked = 0;
        state.redirected = 1;
        state.policyApplied = POLICY_NONE;
        state.allowed = 0;
        state.responseChecked = 1;
    } catch (const std::exception&) {
        FilterLog().Log("WSPRecv :: ****Exception**** in Generating redirected response", 1);
        state.responseChecked = 1;
    }
}

bool RecvPending(SOCKET s, LPWSABUF lpBuffers, DWORD dwBufferCount, LPDWORD lpNumberOfBytesRecvd) {
    if (TheSharedState().filterOff != 0 || dwBufferCount == 0 || lpBuffers[0].len == 0) {
        return false;
    }
    return TheSocketFilterTable().Change(
        static_cast<std::uint32_t>(s), false, [&](SocketFilterState& state) {
            if (state.pendingPage.empty()) {
                return false;
            }
            *lpNumberOfBytesRecvd = Deliver(state.pendingPage, lpBuffers[0]);
            return true;
        });
}

bool Recv(SOCKET s, LPWSABUF lpBuffers, DWORD dwBufferCount, LPDWORD lpNumberOfBytesRecvd) {
    if (TheSharedState().filterOff != 0) {
        FilterLog().Log("WSPRecv :: Filtering is Off", 2);
        return false;
    }
    return TheSocketFilterTable().Change(
        static_cast<std::uint32_t>(s), true, [&](SocketFilterState& state) {
            bool bReplaced = false;
            if (state.isHttp != 1) {
                FilterLog().Log(*lpNumberOfBytesRecvd == 1 ? "WSPRecv :: Blank Receive"
                                                           : "WSPRecv :: Not Http Content",
                                2);
            } else if (state.redirected == 1) {
                // The stream has ended for the application; the received bytes stay unseen.
                FilterLog().Log("WSPRecv :: Redirection is TRUE", 4);
                *lpNumberOfBytesRecvd = 0;
            } else if (state.responseChecked == 0 && state.allowed == 0 &&
                       *lpNumberOfBytesRecvd > 1) {
                // `allowed` is tested first: an allowed word is never answered with the page.
                FilterLog().Log(state.webPageBlocked == 1
                                    ? "WSPRecv :: WebPage Block flag is TRUE"
                                    : "WSPRecv :: WebPage Block flag is FALSE",
                                2);
                if (state.webPageBlocked != 1) {
                    state.responseChecked = 1;
                } else if (dwBufferCount > 0 && lpBuffers[0].len > 0) {
                    Redirect(state, lpBuffers[0], lpNumberOfBytesRecvd);
                    bReplaced = true;
                }
            }
            if (*lpNumberOfBytesRecvd == 0) {
                FilterLog().Log("WSPRecv :: Connection Over indicated", 2);
            }
            return bReplaced;
        });
}

// With the strict switch on, a page larger than the first buffer also fills the later ones.
DWORD DeliverAcross(std::string& page, LPWSABUF lpBuffers, DWORD dwBufferCount) {
    std::size_t nDone = 0;
    for (DWORD i = 0; i < dwBufferCount && nDone < page.size(); ++i) {
        const std::size_t n = std::min<std::size_t>(page.size() - nDone, lpBuffers[i].len);
        std::memcpy(lpBuffers[i].buf, page.data() + nDone, n);
        nDone += n;
    }
    page.erase(0, nDone);
    return static_cast<DWORD>(nDone);
}

// With the strict switch on, a connection that delivered its page stays ended: the server is
// not asked again, so a keep-alive server that has nothing more to send cannot hang the reader.
bool RecvPendingStrict(SOCKET s, LPWSABUF lpBuffers, DWORD dwBufferCount,
                       LPDWORD lpNumberOfBytesRecvd) {
    return TheSocketFilterTable().Change(
        static_cast<std::uint32_t>(s), false, [&](SocketFilterState& state) {
            if (state.GetVerdict() != Verdict::kEnded) {
                return false;
            }
            *lpNumberOfBytesRecvd = DeliverAcross(state.pendingPage, lpBuffers, dwBufferCount);
            if (*lpNumberOfBytesRecvd == 0) {
                FilterLog().Log("WSPRecv :: Connection Over indicated", 2);
            }
            return true;
        });
}

// With the strict switch on, every request has its own verdict, so the response to any
// blocked one (not only a connection's first) is replaced, whatever its size.
void ReplaceWithPage(SocketFilterState& state, LPWSABUF lpBuffers, DWORD dwBufferCount,
                     LPDWORD lpNumberOfBytesRecvd) {
    FilterLog().Log("WSPRecv :: WebPage Block flag is TRUE", 2);
    try {
        FilterLog().Log("WSPRecv :: Preparing Redirection page......", 2);
        state.pendingPage = BuildResponse(state);
        *lpNumberOfBytesRecvd = DeliverAcross(state.pendingPage, lpBuffers, dwBufferCount);
        FilterLog().Log("WSPRecv :: Page Redirected", 1);
        RecordBlock(state, BLOCK_SCHEME_HTTP);
    } catch (const std::exception&) {
        FilterLog().Log("WSPRecv :: ****Exception**** in Generating redirected response", 1);
        *lpNumberOfBytesRecvd = 0;
    }
    state.webPageBlocked = 0;
    state.redirected = 1;
    state.responseChecked = 1;
}

bool RecvStrict(SOCKET s, LPWSABUF lpBuffers, DWORD dwBufferCount, LPDWORD lpNumberOfBytesRecvd) {
    if (TheSharedState().filterOff != 0) {
        return false;
    }
    return TheSocketFilterTable().Change(
        static_cast<std::uint32_t>(s), false, [&](SocketFilterState& state) {
            const Verdict verdict = state.GetVerdict();
            if (verdict == Verdict::kEnded) {
                // A receive issued before the page or a refusal was ready (an overlapped one
                // posted before the request went, say): whatever the server sent or did not
                // send, the rest of the page or refusal, then the end.
                *lpNumberOfBytesRecvd = DeliverAcross(state.pendingPage, lpBuffers, dwBufferCount);
                return true;
            }
            if (*lpNumberOfBytesRecvd == 0 || state.isHttp != 1 || verdict != Verdict::kBlock) {
                return false;
            }
            ReplaceWithPage(state, lpBuffers, dwBufferCount, lpNumberOfBytesRecvd);
            return true;
        });
}

}  // namespace

bool FilterRecvPending(SOCKET s, LPWSABUF lpBuffers, DWORD dwBufferCount,
                       LPDWORD lpNumberOfBytesRecvd) noexcept {
    return GuardHook(false, [&] {
        return StrictFilterOn()
                   ? RecvPendingStrict(s, lpBuffers, dwBufferCount, lpNumberOfBytesRecvd)
                   : RecvPending(s, lpBuffers, dwBufferCount, lpNumberOfBytesRecvd);
    });
}

bool FilterRecv(SOCKET s, LPWSABUF lpBuffers, DWORD dwBufferCount,
                LPDWORD lpNumberOfBytesRecvd) noexcept {
    return GuardHook(false, [&] {
        return StrictFilterOn() ? RecvStrict(s, lpBuffers, dwBufferCount, lpNumberOfBytesRecvd)
                                : Recv(s, lpBuffers, dwBufferCount, lpNumberOfBytesRecvd);
    });
}

bool FilterOverlappedRecvPending(SOCKET s, LPWSABUF lpBuffers, DWORD dwBufferCount,
                                 LPDWORD lpNumberOfBytesRecvd) noexcept {
    return StrictFilterOn() && GuardHook(false, [&] {
               return RecvPendingStrict(s, lpBuffers, dwBufferCount, lpNumberOfBytesRecvd);
           });
}

DWORD FilterOverlappedRecvDone(SOCKET s, LPWSABUF lpBuffers, DWORD dwBufferCount,
                               DWORD cbTransferred) noexcept {
    if (!StrictFilterOn()) {
        return cbTransferred;
    }
    DWORD nReported = cbTransferred;
    GuardHook(false, [&] { return RecvStrict(s, lpBuffers, dwBufferCount, &nReported); });
    return nReported;
}
