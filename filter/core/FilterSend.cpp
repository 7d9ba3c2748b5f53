// The send path: recognise an HTTP request, judge its URL, record the verdict.
#include <winsock2.h>
#include <windows.h>

#include <optional>
#include <string>

#include "filter/core/CategoryLookup.h"
#include "filter/core/FilterHooks.h"
#include "filter/core/FilterRule.h"
#include "filter/core/SharedFilterState.h"
#include "filter/core/portable/BlockPage.h"
#include "filter/core/portable/FilterLog.h"
#include "filter/core/portable/HookGuard.h"
#include "filter/core/portable/HttpRequest.h"
#include "filter/core/portable/RequestInspector.h"

namespace {

void LogStateBlock(const SocketFilterState& state, signed char iLevel) {
    FilterLog().Trace(iLevel,
                      "WSPSend    :: Information Values\n----------------\nCategory=%s\nHost=%s\n"
                      "%s-----------------",
                      state.category, state.host,
                      state.webPageBlocked == 1 ? "WebPage is Blocked\n" : "");
}

void TakeHostHeader(SocketFilterState& state, std::string_view copy) {
    const HostHeader host = FindHostHeader(copy);
    if (host.status == HostStatus::NotFound) {
        FilterLog().Log("WSPSend    :: Host Header-field not found", 1);
        return;
    }
    FilterLog().Log("WSPSend :: Host: field found", 4);
    if (host.status == HostStatus::NoValueEnd) {
        FilterLog().Log("WSPSend    :: Host Header-field Value not found", 1);
        return;
    }
    state.SetHost(host.value);
    FilterLog().Log("WSPSend :: Host: field value found", 4);
    FilterLog().Trace(4, "WSPSend :: Host copied is %s", state.host);
}

void Judge(SocketFilterState& state, std::string_view copy,
           const std::optional<std::string>& requestUri) {
    if (state.isHttp != 1) {
        FilterLog().Log("WSPSend    :: Not HTTP Request", 1);
        return;
    }
    if (gSharedState.settingsCorrupted != 0) {
        state.webPageBlocked = 1;
        state.policyApplied = POLICY_SETTINGS_CORRUPTED;
        return;
    }
    TakeHostHeader(state, copy);
    if (gSharedState.filterOff != 0 || state.host[0] == '\0') {
        FilterLog().Log("WSPSend    :: Filtering is Off OR URL length is zero", 1);
        return;
    }
    std::string url;
    if (requestUri) {
        const std::string_view uri = *requestUri;
        url = UrlToJudge(state.host, &uri);
    } else {
        FilterLog().Log("WSPSend :: szRequestURI is NULL", 4);
        url = state.host;
    }
    FilterRule& rule = TheFilterRule();
    if (rule.IsURLWordBlocked(url, state.matchedWord, state.allowed)) {
        // An allowed word also lands here; the receive side tests `allowed` first.
        state.webPageBlocked = 1;
        state.policyApplied = POLICY_URL_WORD;
        FilterLog().Log("WSPSend    :: RuleApplied: WordInURLMatched", 1);
    } else {
        state.SetCategory(LookUpCategory(url));
        FilterLog().Trace(1, "WSPSend :: CATEGORY: %s", state.category);
        if (rule.IsCategoryBlocked(state.category)) {
            state.webPageBlocked = 1;
            state.policyApplied = POLICY_CATEGORY;
            FilterLog().Log("WSPSend    :: RuleApplied: CategoryMatched", 1);
        }
    }
    FilterLog().Log("WSPSend    :: After applying rules", 3);
}

// The send path as the filter has always read it: the first buffer alone.
void Send(SOCKET s, const WSABUF& firstBuffer) {
    if (firstBuffer.len == 0 || firstBuffer.buf == nullptr) {
        return;
    }
    SocketFilterTable& table = TheSocketFilterTable();
    const auto uSocket = static_cast<std::uint32_t>(s);
    SocketFilterState state = table.Lookup(uSocket).value_or(SocketFilterState());
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
    table.Store(uSocket, state);
}

// Header values end at a carriage return; a head written with bare line feeds (which servers
// accept) gets them, so that its Host is read as a server would read it.
std::string WithCarriageReturns(std::string_view head) {
    std::string text;
    text.reserve(head.size() + 64);
    for (const char c : head) {
        if (c == '\n') {
            text += '\r';
        }
        text += c;
    }
    return text;
}

// One whole request head of a connection, with the strict switch on. Each request gets a
// verdict of its own, but a block not yet answered stands: the page ends the stream anyway.
void JudgeHead(SocketFilterState& state, std::string_view received) {
    std::string normalized;
    std::string_view head = received;
    if (received.find('\r') == std::string_view::npos) {
        normalized = WithCarriageReturns(received);
        head = normalized;
    }
    const RequestLine line = ParseRequestLine(head);
    if (line.status != RequestLineStatus::Http) {
        return;
    }
    if ((state.webPageBlocked == 1 && state.allowed == 0) || state.redirected == 1) {
        FilterLog().Log("WSPSend    :: Connection already blocked", 2);
        return;
    }
    FilterLog().Trace(2, "WSPSend    :: Request %.*s %.*s", static_cast<int>(line.method.size()),
                      line.method.data(), static_cast<int>(line.requestUri.size()),
                      line.requestUri.data());
    state.isHttp = 1;
    state.webPageBlocked = 0;
    state.allowed = 0;
    state.policyApplied = POLICY_NONE;
    state.matchedWord[0] = '\0';
    state.category[0] = '\0';
    // A tunnel's Request-URI is its host and port: the site is judged on its host alone.
    const bool bTunnel = line.method == "CONNECT";
    Judge(state, head,
          bTunnel ? std::nullopt : std::optional<std::string>(std::string(line.requestUri)));
}

// Every buffer of every send, with the strict switch on: heads are collected however they are
// split, and every request of a reused connection is judged.
void SendStrict(SOCKET s, LPWSABUF lpBuffers, DWORD dwBufferCount) {
    SocketFilterTable& table = TheSocketFilterTable();
    const auto uSocket = static_cast<std::uint32_t>(s);
    SocketFilterState state = table.Lookup(uSocket).value_or(SocketFilterState());
    if (!state.requestHeads.IsHttp()) {
        return;
    }
    for (DWORD i = 0; i < dwBufferCount && state.requestHeads.IsHttp(); ++i) {
        if (lpBuffers[i].buf == nullptr) {
            continue;
        }
        state.requestHeads.Feed(std::string_view(lpBuffers[i].buf, lpBuffers[i].len),
                                [&](std::string_view head, bool) { JudgeHead(state, head); });
    }
    if (!state.requestHeads.IsHttp() && state.isHttp != 1) {
        FilterLog().Log("WSPSend    :: Not HTTP Request", 1);
    }
    table.Store(uSocket, state);
}

}  // namespace

void FilterSend(SOCKET s, LPWSABUF lpBuffers, DWORD dwBufferCount) noexcept {
    if (lpBuffers == nullptr || dwBufferCount == 0) {
        return;
    }
    GuardHook(0, [&] {
        if (StrictFilterOn()) {
            SendStrict(s, lpBuffers, dwBufferCount);
        } else {
            Send(s, lpBuffers[0]);
        }
        return 0;
    });
}

void FilterOverlappedSend(SOCKET s, LPWSABUF lpBuffers, DWORD dwBufferCount) noexcept {
    if (lpBuffers == nullptr || dwBufferCount == 0 || !StrictFilterOn()) {
        return;
    }
    GuardHook(0, [&] {
        SendStrict(s, lpBuffers, dwBufferCount);
        return 0;
    });
}
