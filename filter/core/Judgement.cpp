#include "filter/core/Judgement.h"

#include "base/portable/Ascii.h"
#include "filter/core/CategoryLookup.h"
#include "filter/core/FilterRule.h"
#include "filter/core/SharedFilterState.h"
#include "filter/core/TimePolicy.h"
#include "filter/core/portable/BlockPage.h"
#include "filter/core/portable/FilterLog.h"
#include "filter/core/portable/HttpRequest.h"
#include "filter/core/portable/RequestTarget.h"

namespace {

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

// The words are looked for in the URL as sent and, with the strict switch on, as the server
// reads it (percent-encoding decoded): one text, so that an allowed word still wins.
bool WordDecides(SocketFilterState& state, std::string& url, bool bDecoded) {
    FilterRule& rule = TheFilterRule();
    if (!bDecoded || url.find('%') == std::string::npos) {
        return rule.IsURLWordBlocked(url, state.matchedWord, state.allowed);
    }
    std::string both = url + '\n' + PercentDecoded(url);
    const bool bDecides = rule.IsURLWordBlocked(both, state.matchedWord, state.allowed);
    ToLowerAscii(url);
    return bDecides;
}

// The host (and Request-URI) against the words, then the category server.
void JudgeUrl(SocketFilterState& state, const std::optional<std::string>& requestUri,
              bool bDecoded = false) {
    if (TheSharedState().filterOff != 0 || state.host[0] == '\0') {
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
    if (WordDecides(state, url, bDecoded)) {
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
    state.url = url;
    FilterLog().Log("WSPSend    :: After applying rules", 3);
}

// Settings found corrupted block every request, whatever it asks for.
bool BlockedAsCorrupted(SocketFilterState& state) {
    if (TheSharedState().settingsCorrupted == 0) {
        return false;
    }
    state.webPageBlocked = 1;
    state.policyApplied = POLICY_SETTINGS_CORRUPTED;
    return true;
}

}  // namespace

void Judge(SocketFilterState& state, std::string_view copy,
           const std::optional<std::string>& requestUri) {
    if (state.isHttp != 1) {
        FilterLog().Log("WSPSend    :: Not HTTP Request", 1);
        return;
    }
    if (BlockedAsCorrupted(state)) {
        return;
    }
    TakeHostHeader(state, copy);
    if (BlockedByTime(state, requestUri)) {
        return;
    }
    JudgeUrl(state, requestUri);
}

void JudgeServerName(SocketFilterState& state, std::string_view serverName) {
    state.SetHost(NormalizedHost(serverName));
    if (!BlockedAsCorrupted(state) && !BlockedByTime(state, std::nullopt)) {
        JudgeUrl(state, std::nullopt, true);
    }
}

void JudgeStrictRequest(SocketFilterState& state, const StrictRequest& request) {
    state.isHttp = 1;
    state.SetHost(request.host);
    // The URL is whole already: the host the server takes, then the path.
    const std::string_view path = std::string_view(request.url).substr(request.host.size());
    const std::optional<std::string> requestUri =
        path.empty() ? std::nullopt : std::optional<std::string>(path);
    if (BlockedAsCorrupted(state) || BlockedByTime(state, requestUri)) {
        return;
    }
    JudgeUrl(state, requestUri, true);
}
