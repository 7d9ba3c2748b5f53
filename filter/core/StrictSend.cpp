#include "filter/core/StrictSend.h"

#include <optional>
#include <string>

#include "Api/PolicyApi.h"
#include "filter/core/BlockRecord.h"
#include "filter/core/CallArguments.h"
#include "filter/core/FilterHooks.h"
#include "filter/core/Judgement.h"
#include "filter/core/portable/BlockPage.h"
#include "filter/core/portable/FilterLog.h"
#include "filter/core/portable/HttpRequest.h"

namespace {

// What a refused HTTPS client reads instead of the server's answer: a fatal TLS alert,
// access_denied (49), in a record any TLS version reads. Clients report it and give up, where a
// reset would make some retry.
constexpr char kAccessDeniedAlert[] = {0x15, 0x03, 0x03, 0x00, 0x02, 0x02, 0x31};

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
    state.url.clear();
    // A tunnel's Request-URI is its host and port: the site is judged on its host alone.
    const bool bTunnel = line.method == "CONNECT";
    Judge(state, head,
          bTunnel ? std::nullopt : std::optional<std::string>(std::string(line.requestUri)));
}

void ReadRequestHeads(SocketFilterState& state, LPWSABUF lpBuffers, DWORD dwBufferCount) {
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
}

// The connection ends here for the application: nothing more reaches the server, and its
// receives get the alert and then the end of the stream.
void RefuseTls(SocketFilterState& state) {
    state.tls = TlsJudgement::kRefused;
    state.webPageBlocked = 0;
    state.redirected = 1;
    state.pendingPage.assign(kAccessDeniedAlert, sizeof kAccessDeniedAlert);
    FilterLog().Trace(1, "WSPSend    :: HTTPS refused: %s", state.host);
    RecordBlock(state, BLOCK_SCHEME_HTTPS);
}

// True when the send that completed a blocked site's ClientHello must not go on.
bool ReadClientHello(SocketFilterState& state, LPWSABUF lpBuffers, DWORD dwBufferCount) {
    ClientHelloStatus status = state.clientHello.Status();
    for (DWORD i = 0; i < dwBufferCount && status == ClientHelloStatus::kNeedMore; ++i) {
        if (lpBuffers[i].buf != nullptr) {
            status = state.clientHello.Feed(std::string_view(lpBuffers[i].buf, lpBuffers[i].len));
        }
    }
    if (status == ClientHelloStatus::kNeedMore) {
        // The pieces of a hello go on: a server can do nothing with part of one.
        return false;
    }
    bool bRefused = false;
    if (status == ClientHelloStatus::kServerName) {
        JudgeServerName(state, state.clientHello.ServerName());
        bRefused = state.webPageBlocked == 1 && state.allowed == 0;
    } else {
        FilterLog().Log(status == ClientHelloStatus::kNoServerName
                            ? "WSPSend    :: TLS ClientHello without a server name, passed"
                            : "WSPSend    :: TLS handshake without a ClientHello, passed",
                        1);
    }
    state.clientHello = CClientHello();  // read once; the record stays small
    if (bRefused) {
        RefuseTls(state);
    } else {
        state.tls = TlsJudgement::kPassed;
        state.webPageBlocked = 0;
    }
    return bRefused;
}

}  // namespace

bool SendStrict(SOCKET s, LPWSABUF lpBuffers, DWORD dwBufferCount) {
    SocketFilterTable& table = TheSocketFilterTable();
    const auto uSocket = static_cast<std::uint32_t>(s);
    SocketFilterState state = table.Lookup(uSocket).value_or(SocketFilterState());
    if (state.tls == TlsJudgement::kRefused) {
        return true;
    }
    if (state.tls == TlsJudgement::kPassed ||
        (state.tls == TlsJudgement::kNone && state.sentAny == 1 && !state.requestHeads.IsHttp())) {
        return false;
    }
    if (state.sentAny == 0) {
        const char* pFirst = FirstSentByte(lpBuffers, dwBufferCount);
        if (pFirst == nullptr) {
            return false;
        }
        state.sentAny = 1;
        if (CClientHello::StartsHandshake(static_cast<unsigned char>(*pFirst))) {
            state.tls = TlsJudgement::kCollecting;
        }
    }
    bool bWithhold = false;
    if (state.tls == TlsJudgement::kCollecting) {
        bWithhold = ReadClientHello(state, lpBuffers, dwBufferCount);
    } else {
        ReadRequestHeads(state, lpBuffers, dwBufferCount);
    }
    table.Store(uSocket, state);
    return bWithhold;
}
