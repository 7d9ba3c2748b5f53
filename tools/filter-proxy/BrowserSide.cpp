#include "tools/filter-proxy/BrowserSide.h"

#include "tools/filter-proxy/ProxyLog.h"
#include "tools/filter-proxy/ProxySockets.h"
#include "tools/filter-proxy/portable/StatusReply.h"

void Answer(CBrowser& browser, const CProxyContext& context, int iStatus, std::string_view text) {
    ProxyLog("%s %d %s: %.*s", browser.peer.c_str(), iStatus, ReasonPhrase(iStatus),
             static_cast<int>(text.size()), text.data());
    if (browser.stream.Send(StatusReply(iStatus, text), context.IdleMs())) {
        browser.stream.ShutdownSend();
        // What the browser still sends is read and dropped, so that closing does not reset
        // the connection under the answer before the browser has read it.
        std::string_view data;
        while (browser.stream.Receive(data, 2000) == CProxyStream::Received::kData) {
        }
    }
}

std::unique_ptr<CProxyStream> OpenUpstream(CBrowser& browser, const CProxyContext& context,
                                           const std::string& host, std::uint16_t uPort) {
    const auto address = context.hosts.Resolve(host);
    if (!address) {
        Answer(browser, context, 502, "cannot resolve " + host);
        return nullptr;
    }
    int iError = 0;
    CSocket server = ConnectUpstream(*address, uPort, iError);
    if (!server) {
        Answer(browser, context, 502,
               "cannot connect to " + host + ":" + std::to_string(uPort) + " (error " +
                   std::to_string(iError) + ")");
        return nullptr;
    }
    return MakeStream(std::move(server), context.options.bOverlapped, context.hStop);
}
