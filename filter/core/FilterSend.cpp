// The send path: recognise an HTTP request, judge its URL, record the verdict.
#include <winsock2.h>
#include <windows.h>

#include "filter/core/FilterHooks.h"
#include "filter/core/Judgement.h"
#include "filter/core/SharedFilterState.h"
#include "filter/core/StrictSend.h"
#include "filter/core/portable/FilterLog.h"
#include "filter/core/portable/HookGuard.h"
#include "filter/core/portable/RequestInspector.h"

namespace {

void LogStateBlock(const SocketFilterState& state, signed char iLevel) {
    FilterLog().Trace(iLevel,
                      "WSPSend    :: Information Values\n----------------\nCategory=%s\nHost=%s\n"
                      "%s-----------------",
                      state.category, state.host,
                      state.webPageBlocked == 1 ? "WebPage is Blocked\n" : "");
}

// The send path as the filter has always read it: the first buffer alone.
void Send(SOCKET s, const WSABUF& firstBuffer) {
    if (firstBuffer.len == 0 || firstBuffer.buf == nullptr) {
        return;
    }
    TheSocketFilterTable().Change(
        static_cast<std::uint32_t>(s), true, [&](SocketFilterState& state) {
            LogStateBlock(state, 4);
            const InspectedSend send =
                InspectSend(state, std::string_view(firstBuffer.buf, firstBuffer.len), FilterLog());
            if (send.bJudge) {
                Judge(state, send.copy, send.requestUri);
                FilterLog().Log("WSPSend :: After HeapFree(sendbuffer)", 4);
            }
            FilterLog().Log("WSPSend :: After HeapFree(szRequestURI)", 4);
            if (firstBuffer.len > 1 && state.isHttp == 1) {
                LogStateBlock(state, 2);
            }
            return false;
        });
}

}  // namespace

bool FilterSend(SOCKET s, LPWSABUF lpBuffers, DWORD dwBufferCount) noexcept {
    if (lpBuffers == nullptr || dwBufferCount == 0) {
        return false;
    }
    return GuardHook(false, [&] {
        if (StrictFilterOn()) {
            return SendStrict(s, lpBuffers, dwBufferCount);
        }
        Send(s, lpBuffers[0]);
        return false;
    });
}

bool FilterOverlappedSend(SOCKET s, LPWSABUF lpBuffers, DWORD dwBufferCount) noexcept {
    if (lpBuffers == nullptr || dwBufferCount == 0 || !StrictFilterOn()) {
        return false;
    }
    return GuardHook(false, [&] { return SendStrict(s, lpBuffers, dwBufferCount); });
}
