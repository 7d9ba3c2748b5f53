// The send path: recognise an HTTP request, judge its URL, record the verdict.
#include <winsock2.h>
#include <windows.h>

#include <exception>
#include <optional>
#include <string>

#include "filter/core/CategoryLookup.h"
#include "filter/core/FilterHooks.h"
#include "filter/core/FilterRule.h"
#include "filter/core/SharedFilterState.h"
#include "filter/core/TLVClient.h"
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

}  // namespace

void FilterSend(SOCKET s, const WSABUF& firstBuffer) noexcept {
    GuardHook(0, [&] {
        Send(s, firstBuffer);
        return 0;
    });
}
