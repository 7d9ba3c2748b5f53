// Request heads with the strict switch on: each read as a server reads it, a head no server
// would take refused, a CONNECT judged by its target.
#include <string>

#include "filter/core/Judgement.h"
#include "filter/core/Refusal.h"
#include "filter/core/StrictStreams.h"
#include "filter/core/portable/BlockPage.h"
#include "filter/core/portable/FilterLog.h"

namespace {

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

bool IsBlocked(const SocketFilterState& state) {
    return state.GetVerdict() == Verdict::kBlock;
}

// One whole request head. Each request gets a verdict of its own, but a block not yet
// answered stands: the page ends the stream anyway. True when the head must not go on.
bool JudgeHead(SocketFilterState& state, std::string_view received, bool bTruncated) {
    if (bTruncated || state.requestHeads.Unreadable()) {
        return RefuseUnreadable(
            state, kBadRequestReply,
            bTruncated ? "request head over 16 KiB" : "request body unreadable");
    }
    std::string normalized;
    std::string_view head = received;
    if (received.find('\r') == std::string_view::npos) {
        normalized = WithCarriageReturns(received);
        head = normalized;
    }
    const StrictRequest request = ReadStrictRequest(head);
    if (!request.bReadable) {
        return RefuseUnreadable(state, kBadRequestReply, "request line unreadable");
    }
    if (const Verdict verdict = state.GetVerdict();
        verdict == Verdict::kBlock || verdict == Verdict::kEnded) {
        FilterLog().Log("WSPSend    :: Connection already blocked", 2);
        return false;
    }
    FilterLog().Trace(2, "WSPSend    :: Request for %s", request.url.c_str());
    state.webPageBlocked = 0;
    state.allowed = 0;
    state.policyApplied = POLICY_NONE;
    state.matchedWord[0] = '\0';
    state.category[0] = '\0';
    state.url.clear();
    JudgeStrictRequest(state, request);
    if (!request.bConnect) {
        return false;
    }
    state.stream = StreamKind::kHttpConnect;
    if (IsBlocked(state)) {
        RefuseBlocked(state);
        return true;
    }
    return false;
}

}  // namespace

bool ReadRequestHeads(SocketFilterState& state, LPWSABUF lpBuffers, DWORD dwBufferCount) {
    bool bWithhold = false;
    std::size_t nRead = 0;  // bytes of this send the heads took
    for (DWORD i = 0; i < dwBufferCount && state.stream == StreamKind::kHttp; ++i) {
        if (lpBuffers[i].buf == nullptr) {
            continue;
        }
        const std::size_t nLeft = state.requestHeads.Feed(
            std::string_view(lpBuffers[i].buf, lpBuffers[i].len),
            [&](std::string_view head, bool bTruncated) {
                if (state.stream == StreamKind::kHttp && JudgeHead(state, head, bTruncated)) {
                    bWithhold = true;
                }
            });
        nRead += lpBuffers[i].len - nLeft;
        if (state.stream == StreamKind::kHttp && state.requestHeads.Unreadable()) {
            return RefuseUnreadable(state, kBadRequestReply, "bytes no request starts with");
        }
    }
    if (state.stream == StreamKind::kHttpConnect) {
        return StartTunnel(state, lpBuffers, dwBufferCount, nRead);
    }
    if (state.stream == StreamKind::kHttp && !state.requestHeads.IsHttp()) {
        if (state.isHttp != 1) {
            FilterLog().Log("WSPSend    :: Not HTTP Request", 1);
        }
        state.stream = StreamKind::kPassed;
    }
    return bWithhold;
}
