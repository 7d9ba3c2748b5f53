#include "tools/filter-proxy/Connection.h"

#include <exception>

#include "tools/filter-proxy/Forward.h"
#include "tools/filter-proxy/ProxyLog.h"
#include "tools/filter-proxy/Tunnel.h"
#include "tools/filter-proxy/portable/HeadReader.h"
#include "tools/filter-proxy/portable/ProxyRequest.h"

namespace {

std::string PeerName(SOCKET s) {
    sockaddr_in address{};
    int nAddress = sizeof address;
    ::getpeername(s, reinterpret_cast<sockaddr*>(&address), &nAddress);
    const std::uint32_t u = ::ntohl(address.sin_addr.s_addr);
    return std::to_string(u >> 24) + "." + std::to_string((u >> 16) & 255) + "." +
           std::to_string((u >> 8) & 255) + "." + std::to_string(u & 255) + ":" +
           std::to_string(::ntohs(address.sin_port));
}

enum class HeadOutcome { kComplete, kGone, kAnswered };

// Reads the next request head, the bytes already received first. kGone: the browser closed
// or went quiet between requests (nothing to answer); kAnswered: it was told why not.
HeadOutcome ReadRequestHead(CBrowser& browser, const CProxyContext& context, CHeadReader& reader) {
    std::string_view data = browser.pending;
    for (;;) {
        const std::size_t nTaken = reader.Feed(data);
        if (reader.GetState() == CHeadReader::State::kTooLarge) {
            Answer(
                browser, context, 431,
                "request head over " + std::to_string(context.options.nMaxHeaderBytes) + " bytes");
            return HeadOutcome::kAnswered;
        }
        if (reader.GetState() == CHeadReader::State::kComplete) {
            browser.pending = std::string(data.substr(nTaken));
            return HeadOutcome::kComplete;
        }
        const CProxyStream::Received received = browser.stream.Receive(data, context.IdleMs());
        if (received == CProxyStream::Received::kIdle && !reader.Empty()) {
            Answer(browser, context, 408, "request head not finished in time");
            return HeadOutcome::kAnswered;
        }
        if (received != CProxyStream::Received::kData) {
            if (received == CProxyStream::Received::kIdle) {
                ProxyLog("%s idle, connection closed", browser.peer.c_str());
            }
            return HeadOutcome::kGone;
        }
    }
}

void Serve(CBrowser& browser, const CProxyContext& context, bool bRefuse) {
    for (;;) {
        CHeadReader reader(context.options.nMaxHeaderBytes);
        if (ReadRequestHead(browser, context, reader) != HeadOutcome::kComplete) {
            return;
        }
        if (bRefuse) {
            Answer(browser, context, 503,
                   std::to_string(context.options.nMaxConnections) + " connections already open");
            return;
        }
        const CParsedRequest parsed = ParseProxyRequest(reader.Head());
        if (parsed.iStatus != 0) {
            Answer(browser, context, parsed.iStatus, parsed.reason);
            return;
        }
        if (parsed.request.bConnect) {
            RunTunnel(browser, context, parsed.request);
            return;
        }
        if (!ForwardRequest(browser, context, parsed.request)) {
            return;
        }
    }
}

}  // namespace

void ServeConnection(CSocket browserSocket, const CProxyContext& context, bool bRefuse) noexcept {
    try {
        const std::string peer = PeerName(browserSocket.Get());
        const auto stream =
            MakeStream(std::move(browserSocket), context.options.bOverlapped, context.hStop);
        CBrowser browser{*stream, {}, peer};
        Serve(browser, context, bRefuse);
    } catch (const std::exception& e) {
        ProxyLog("connection ended by an exception: %s", e.what());
    } catch (...) {
        ProxyLog("connection ended by an exception");
    }
}
