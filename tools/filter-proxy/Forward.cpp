#include "tools/filter-proxy/Forward.h"

#include <algorithm>

#include "tools/filter-proxy/ProxyLog.h"
#include "tools/filter-proxy/portable/HeadReader.h"
#include "tools/filter-proxy/portable/ResponseHead.h"

namespace {

// A server's response head may be larger than a request's; beyond this it is refused.
constexpr std::size_t kMaxResponseHead = 65536;

enum class BodyOutcome { kSent, kServerGone, kBrowserQuiet };

// Sends the request body: what the browser already sent, then the rest as it comes.
BodyOutcome SendBody(CBrowser& browser, const CProxyContext& context, CProxyStream& server,
                     std::uint64_t nBytes) {
    std::string_view data = browser.pending;
    for (;;) {
        const auto nTake = static_cast<std::size_t>(std::min<std::uint64_t>(nBytes, data.size()));
        if (!server.Send(data.substr(0, nTake), context.IdleMs())) {
            return BodyOutcome::kServerGone;
        }
        nBytes -= nTake;
        if (nBytes == 0) {
            browser.pending = std::string(data.substr(nTake));
            return BodyOutcome::kSent;
        }
        if (browser.stream.Receive(data, context.IdleMs()) != CProxyStream::Received::kData) {
            return BodyOutcome::kBrowserQuiet;
        }
    }
}

// The response as received so far: its head (once complete) and the body bytes after it.
struct CResponse {
    CHeadReader reader{kMaxResponseHead};
    std::string body;
};

enum class ResponseOutcome { kHead, kSilent, kClosed, kBad };

ResponseOutcome ReadResponseHead(const CProxyContext& context, CProxyStream& server,
                                 CResponse& response) {
    std::string_view data = response.body;
    for (;;) {
        const std::size_t nTaken = response.reader.Feed(data);
        if (response.reader.GetState() == CHeadReader::State::kComplete) {
            response.body = std::string(data.substr(nTaken));
            return ResponseOutcome::kHead;
        }
        if (response.reader.GetState() == CHeadReader::State::kTooLarge) {
            return ResponseOutcome::kBad;
        }
        const CProxyStream::Received received = server.Receive(data, context.IdleMs());
        if (received == CProxyStream::Received::kIdle) {
            return ResponseOutcome::kSilent;
        }
        if (received != CProxyStream::Received::kData) {
            return ResponseOutcome::kClosed;
        }
    }
}

// Carries the body to the browser: nLength bytes, or everything until the server closes.
bool RelayBody(CBrowser& browser, const CProxyContext& context, CProxyStream& server,
               const CResponseHead& head, std::string_view data) {
    const bool bCounted = head.body == CResponseHead::Body::kLength;
    std::uint64_t nLeft = bCounted ? head.nLength : UINT64_MAX;
    if (head.body == CResponseHead::Body::kNone) {
        return true;
    }
    for (;;) {
        const auto nTake = static_cast<std::size_t>(std::min<std::uint64_t>(nLeft, data.size()));
        if (!browser.stream.Send(data.substr(0, nTake), context.IdleMs())) {
            return false;
        }
        nLeft -= nTake;
        if (bCounted && nLeft == 0) {
            return true;
        }
        const CProxyStream::Received received = server.Receive(data, context.IdleMs());
        if (received != CProxyStream::Received::kData) {
            // The end of a body that runs to the close is the one good way out.
            return !bCounted && received == CProxyStream::Received::kClosed;
        }
    }
}

// Carries the response; true when the browser's connection may stay open.
bool RelayResponse(CBrowser& browser, const CProxyContext& context, CProxyStream& server,
                   const CProxyRequest& request) {
    std::string leftover;
    for (;;) {
        CResponse response;
        response.body = std::move(leftover);
        switch (ReadResponseHead(context, server, response)) {
            case ResponseOutcome::kSilent:
                Answer(browser, context, 504, request.host + " did not answer in time");
                return false;
            case ResponseOutcome::kClosed:
                Answer(browser, context, 502, request.host + " closed without an answer");
                return false;
            case ResponseOutcome::kBad:
                Answer(browser, context, 502, request.host + " sent a response head too large");
                return false;
            case ResponseOutcome::kHead:
                break;
        }
        const std::string& rawHead = response.reader.Head();
        const auto head = ParseResponseHead(rawHead, request.method == "HEAD");
        if (!head) {
            // Not a response the proxy can frame: passed on as it is, and the connection ends.
            ProxyLog("%s: %s sent a response the proxy cannot frame", browser.peer.c_str(),
                     request.host.c_str());
            browser.stream.Send(rawHead, context.IdleMs());
            RelayBody(browser, context, server, CResponseHead{}, response.body);
            return false;
        }
        const bool bInterim = head->iStatus < 200 && head->iStatus != 101;
        const bool bKeepAlive = request.bKeepAlive && head->bDelimited && head->iStatus != 101;
        if (!browser.stream.Send(ClientResponseHead(rawHead, *head, bInterim || bKeepAlive),
                                 context.IdleMs())) {
            return false;
        }
        if (!bInterim) {
            return RelayBody(browser, context, server, *head, response.body) && bKeepAlive;
        }
        // 100 Continue and its kind come before the real response, on the same connection.
        leftover = std::move(response.body);
    }
}

}  // namespace

bool ForwardRequest(CBrowser& browser, const CProxyContext& context, const CProxyRequest& request) {
    const auto server = OpenUpstream(browser, context, request.host, request.uPort);
    if (!server) {
        return false;
    }
    const BodyOutcome sent = server->Send(UpstreamHead(request), context.IdleMs())
                                 ? SendBody(browser, context, *server, request.nBodyBytes)
                                 : BodyOutcome::kServerGone;
    if (sent == BodyOutcome::kBrowserQuiet) {
        Answer(browser, context, 408, "request body not finished in time");
        return false;
    }
    if (sent == BodyOutcome::kServerGone) {
        Answer(browser, context, 502, "could not send the request to " + request.host);
        return false;
    }
    return RelayResponse(browser, context, *server, request);
}
