// The receive path: a blocked connection's first response is replaced by the block page, and
// the stream ends after it.
#include <winsock2.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <exception>
#include <string>

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
    values.currentUser = gSharedState.currentUser;
    values.applicationPath = gSharedState.applicationPath;
    const std::string strAddress = ::inet_ntoa(address);
    values.ipAddress = strAddress;
    return BuildBlockPageResponse(values);
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
    if (gSharedState.filterOff != 0 || dwBufferCount == 0 || lpBuffers[0].len == 0) {
        return false;
    }
    SocketFilterTable& table = TheSocketFilterTable();
    const auto uSocket = static_cast<std::uint32_t>(s);
    auto state = table.Lookup(uSocket);
    if (!state || state->pendingPage.empty()) {
        return false;
    }
    *lpNumberOfBytesRecvd = Deliver(state->pendingPage, lpBuffers[0]);
    table.Store(uSocket, *state);
    return true;
}

bool Recv(SOCKET s, LPWSABUF lpBuffers, DWORD dwBufferCount, LPDWORD lpNumberOfBytesRecvd) {
    if (gSharedState.filterOff != 0) {
        FilterLog().Log("WSPRecv :: Filtering is Off", 2);
        return false;
    }
    SocketFilterTable& table = TheSocketFilterTable();
    const auto uSocket = static_cast<std::uint32_t>(s);
    SocketFilterState state = table.Lookup(uSocket).value_or(SocketFilterState());
    bool bReplaced = false;
    if (state.isHttp != 1) {
        FilterLog().Log(
            *lpNumberOfBytesRecvd == 1 ? "WSPRecv :: Blank Receive" : "WSPRecv :: Not Http Content",
            2);
    } else if (state.redirected == 1) {
        // The stream has ended for the application; the received bytes stay unseen.
        FilterLog().Log("WSPRecv :: Redirection is TRUE", 4);
        *lpNumberOfBytesRecvd = 0;
    } else if (state.responseChecked == 0 && state.allowed == 0 && *lpNumberOfBytesRecvd > 1) {
        // `allowed` is tested first: an allowed word is never answered with the page.
        FilterLog().Log(state.webPageBlocked == 1 ? "WSPRecv :: WebPage Block flag is TRUE"
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
    table.Store(uSocket, state);
    return bReplaced;
}

}  // namespace

bool FilterRecvPending(SOCKET s, LPWSABUF lpBuffers, DWORD dwBufferCount,
                       LPDWORD lpNumberOfBytesRecvd) noexcept {
    return GuardHook(
        false, [&] { return RecvPending(s, lpBuffers, dwBufferCount, lpNumberOfBytesRecvd); });
}

bool FilterRecv(SOCKET s, LPWSABUF lpBuffers, DWORD dwBufferCount,
                LPDWORD lpNumberOfBytesRecvd) noexcept {
    return GuardHook(false,
                     [&] { return Recv(s, lpBuffers, dwBufferCount, lpNumberOfBytesRecvd); });
}
