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

namespace {

constexpr char kSendPrefix[] = "WSPSend    :: ";

void Log(const std::string& strText, signed char iLevel) {
    CLogFile& log = FrameLog();
    if (log.Enabled(iLevel)) {
        log.Write(strText, iLevel);
    }
}

void LogStateBlock(const SocketFilterState& state, signed char iLevel) {
    if (FrameLog().Enabled(iLevel)) {
        Log(std::string("WSPSend    :: Information Values\n----------------\nCategory=") +
                state.category + "\nHost=" + state.host + "\n" +
                (state.webPageBlocked == 1 ? "WebPage is Blocked\n" : "") + "-----------------",
            iLevel);
    }
}

// Collects the bytes of 1- and 2-byte sends; true when the collection holds a whole head.
bool CollectSmallSend(SocketFilterState& state, const char* pBytes, std::size_t nBytes) {
    if (state.pendingRequest.size() + nBytes > SocketFilterState::kMaxPendingRequest) {
        Log(std::string(kSendPrefix) + "Collected request head too long, dropped", 1);
        state.pendingRequest.clear();
        return false;
    }
    state.pendingRequest.append(pBytes, nBytes);
    Log(kSendPrefix + state.pendingRequest, 2);
    return nBytes == 2 && state.pendingRequest.find("\r\n\r\n") != std::string::npos;
}

// The head collected from small sends: its Request-URI, version and Host header.
void ParseCollectedHead(SocketFilterState& state, std::optional<std::string>& requestUri) {
    const RequestLine line = ParseRequestLine(state.pendingRequest);
    if (line.status == RequestLineStatus::Http || line.status == RequestLineStatus::NotHttp) {
        requestUri = std::string(line.requestUri);
        if (line.status == RequestLineStatus::Http) {
            state.isHttp = 1;
        } else {
            Log(std::string(kSendPrefix) + "HTTP Version not found", 1);
        }
    }
    const HostHeader host = FindHostHeader(state.pendingRequest);
    if (host.status == HostStatus::Found) {
        std::string strHost(host.value);
        ToLowerAscii(strHost);
        state.SetHost(strHost);
        Log(std::string(kSendPrefix) + "Host:" + state.host, 1);
    }
    state.pendingRequest.clear();
}

// The request line of a send, parsed until one of them shows "HTTP/".
void ParseRequestLineOnce(SocketFilterState& state, std::string_view copy,
                          std::optional<std::string>& requestUri) {
    if (state.isHttp == 1) {
        Log("WSPSend    :: Previously Evaluated as HTTP", 4);
        return;
    }
    Log("WSPSend    :: Evaluating HTTP", 2);
    const RequestLine line = ParseRequestLine(copy);
    if (line.status == RequestLineStatus::NoMethod) {
        Log("WSPSend    :: Request Method not found", 3);
    } else {
        Log("WSPSend :: Method is " + std::string(line.method), 4);
        if (line.status == RequestLineStatus::NoRequestUri) {
            Log("WSPSend    :: RequestURI not found", 3);
        } else {
            requestUri = std::string(line.requestUri);
            Log("WSPSend :: RequestURI is " + *requestUri, 4);
            if (line.status == RequestLineStatus::Http) {
                state.isHttp = 1;
                Log("WSPSend :: HTTP version found", 4);
            } else {
                Log("WSPSend    :: HTTP Version not found", 3);
            }
        }
    }
    Log("WSPSend :: After HeapFree(szMethod)", 4);
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

    std::optional<std::string> requestUri;
    const bool bSmall = firstBuffer.len <= 2;
    const bool bWholeHead = bSmall && CollectSmallSend(state, firstBuffer.buf, firstBuffer.len);
    if (bWholeHead) {
        ParseCollectedHead(state, requestUri);
    }
    if (!bSmall || firstBuffer.len == 2) {
        const std::string copy(UpToFirstNul(std::string_view(firstBuffer.buf, firstBuffer.len)));
        Log("------------------------", 2);
        Log(copy, 2);
        Log("------------------------", 2);
        ParseRequestLineOnce(state, copy, requestUri);
        Judge(state, copy, requestUri);
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
