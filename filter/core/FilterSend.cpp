// The send path: recognise an HTTP request, judge its URL, record the verdict.
#include <winsock2.h>
#include <windows.h>

#include <exception>
#include <optional>
#include <string>

#include "filter/core/FilterHooks.h"
#include "filter/core/FilterLog.h"
#include "filter/core/FilterRule.h"
#include "filter/core/SharedFilterState.h"
#include "filter/core/TLVClient.h"
#include "filter/core/portable/BlockPage.h"
#include "filter/core/portable/HttpRequest.h"
#include "filter/core/portable/RequestInspector.h"

namespace {

constexpr char kSendPrefix[] = "WSPSend    :: ";

void Log(const std::string& strText, signed char iLevel) {
    CLogFile& log = FrameLog();
    if (log.Enabled(iLevel)) {
        log.Write(strText, iLevel);
    }
}

// The process's log, for the portable request inspection.
class CFrameLogSink : public IFilterLog {
public:
    bool Enabled(signed char iLevel) const override { return FrameLog().Enabled(iLevel); }
    void Write(const std::string& strText, signed char iLevel) override {
        FrameLog().Write(strText, iLevel);
    }
};

void LogStateBlock(const SocketFilterState& state, signed char iLevel) {
    if (FrameLog().Enabled(iLevel)) {
        Log(std::string("WSPSend    :: Information Values\n----------------\nCategory=") +
                state.category + "\nHost=" + state.host + "\n" +
                (state.webPageBlocked == 1 ? "WebPage is Blocked\n" : "") + "-----------------",
            iLevel);
    }
}

void TakeHostHeader(SocketFilterState& state, std::string_view copy) {
    const HostHeader host = FindHostHeader(copy);
    if (host.status == HostStatus::NotFound) {
        Log("WSPSend    :: Host Header-field not found", 1);
        return;
    }
    Log("WSPSend :: Host: field found", 4);
    if (host.status == HostStatus::NoValueEnd) {
        Log("WSPSend    :: Host Header-field Value not found", 1);
        return;
    }
    state.SetHost(host.value);
    Log("WSPSend :: Host: field value found", 4);
    Log(std::string("WSPSend :: Host copied is ") + state.host, 4);
}

std::string LookUpCategory(const std::string& url) {
    if (url.size() > TLVMessage::kMaxValueLength) {
        Log(std::string(kSendPrefix) + "URL too long for a category lookup, judged as Null", 1);
        return "Null";
    }
    try {
        Log("WSPSend :: Request to TLVServer started", 4);
        TLVClient client;
        client.SetIPPort(gSharedState.categoryServerAddress, gSharedState.categoryServerPort);
        Log("WSPSend    :: Sending Request to TLVServer\n\t\tURL: " + url, 1);
        const auto reply = client.SearchLumora(TLVMessage::kCategorySearch, url);
        if (reply->messageCode < 0) {
            Log("WSPSend    :: TLVClient receive failed", 1);
            return "Null";
        }
        return reply->value;
    } catch (const std::exception&) {
        Log("WSPRecv :: ****Exception**** in Getting the category from TLVServer", 1);
        return "Null";
    }
}

void Judge(SocketFilterState& state, std::string_view copy,
           const std::optional<std::string>& requestUri) {
    if (state.isHttp != 1) {
        Log("WSPSend    :: Not HTTP Request", 1);
        return;
    }
    if (gSharedState.settingsCorrupted != 0) {
        state.webPageBlocked = 1;
        state.policyApplied = POLICY_SETTINGS_CORRUPTED;
        return;
    }
    TakeHostHeader(state, copy);
    if (gSharedState.filterOff != 0 || state.host[0] == '\0') {
        Log("WSPSend    :: Filtering is Off OR URL length is zero", 1);
        return;
    }
    std::string url;
    if (requestUri) {
        const std::string_view uri = *requestUri;
        url = UrlToJudge(state.host, &uri);
    } else {
        Log("WSPSend :: szRequestURI is NULL", 4);
        url = state.host;
    }
    FilterRule& rule = TheFilterRule();
    if (rule.IsURLWordBlocked(url, state.matchedWord, state.allowed)) {
        // An allowed word also lands here; the receive side tests `allowed` first.
        state.webPageBlocked = 1;
        state.policyApplied = POLICY_URL_WORD;
        Log("WSPSend    :: RuleApplied: WordInURLMatched", 1);
    } else {
        state.SetCategory(LookUpCategory(url));
        Log(std::string("WSPSend :: CATEGORY: ") + state.category, 1);
        if (rule.IsCategoryBlocked(state.category)) {
            state.webPageBlocked = 1;
            state.policyApplied = POLICY_CATEGORY;
            Log("WSPSend    :: RuleApplied: CategoryMatched", 1);
        }
    }
    Log("WSPSend    :: After applying rules", 3);
}

void Send(SOCKET s, const WSABUF& firstBuffer) {
    if (firstBuffer.len == 0 || firstBuffer.buf == nullptr) {
        return;
    }
    SocketFilterTable& table = TheSocketFilterTable();
    const auto uSocket = static_cast<std::uint32_t>(s);
    SocketFilterState state = table.Lookup(uSocket).value_or(SocketFilterState());
    LogStateBlock(state, 4);

    CFrameLogSink sink;
    const InspectedSend send =
        InspectSend(state, std::string_view(firstBuffer.buf, firstBuffer.len), sink);
    if (send.bJudge) {
        Judge(state, send.copy, send.requestUri);
        Log("WSPSend :: After HeapFree(sendbuffer)", 4);
    }
    Log("WSPSend :: After HeapFree(szRequestURI)", 4);
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
