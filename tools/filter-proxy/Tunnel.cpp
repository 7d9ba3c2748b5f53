#include "tools/filter-proxy/Tunnel.h"

#include <atomic>
#include <thread>

#include "tools/filter-proxy/OverlappedStream.h"

namespace {

// How long a tunnel waits for the browser to speak first before it also listens to the
// server (for protocols where the server speaks first).
constexpr DWORD kBrowserFirstMs = 1000;

// Both sides overlapped: one thread waits for whichever side has bytes. A side that ends
// makes the proxy finish sending to the other; the tunnel ends when both have ended, or when
// neither sent anything for the idle time. The server is listened to only once the browser's
// first bytes (its ClientHello) have gone, as a browser reads only after writing its hello.
void RelayOverlapped(const CProxyContext& context, COverlappedStream& browser,
                     COverlappedStream& server, bool bBrowserSpoke) {
    COverlappedStream* sides[2] = {&browser, &server};
    bool bOpen[2] = {true, true};
    while (bOpen[0] || bOpen[1]) {
        HANDLE handles[3];
        int iSide[3];
        DWORD nHandles = 0;
        for (int i = 0; i < 2; ++i) {
            if (bOpen[i] && (i == 0 || bBrowserSpoke)) {
                if (!sides[i]->StartReceive()) {
                    return;
                }
                iSide[nHandles] = i;
                handles[nHandles++] = sides[i]->ReceiveEvent();
            }
        }
        handles[nHandles] = context.hStop;
        const DWORD dwWait = ::WaitForMultipleObjects(
            nHandles + 1, handles, FALSE, bBrowserSpoke ? context.IdleMs() : kBrowserFirstMs);
        if (dwWait == WAIT_TIMEOUT && !bBrowserSpoke) {
            bBrowserSpoke = true;
            continue;
        }
        if (dwWait >= WAIT_OBJECT_0 + nHandles) {
            return;  // idle, stopped or failed
        }
        const int i = iSide[dwWait - WAIT_OBJECT_0];
        std::string_view data;
        const CProxyStream::Received received = sides[i]->FinishReceive(data);
        if (received == CProxyStream::Received::kData) {
            if (!sides[1 - i]->Send(data, context.IdleMs())) {
                return;
            }
        } else if (received != CProxyStream::Received::kIdle) {
            bOpen[i] = false;
            sides[1 - i]->ShutdownSend();
        }
        bBrowserSpoke = true;
    }
}

// Blocking sides: a second thread carries the server's bytes while this one carries the
// browser's. A direction that goes quiet ends the tunnel only when the other is quiet too.
void RelayBlocking(const CProxyContext& context, CProxyStream& browser, CProxyStream& server) {
    std::atomic<ULONGLONG> uLastActive = ::GetTickCount64();
    const auto pump = [&](CProxyStream& from, CProxyStream& to) {
        for (;;) {
            std::string_view data;
            const CProxyStream::Received received = from.Receive(data, context.IdleMs());
            if (received == CProxyStream::Received::kIdle &&
                ::GetTickCount64() - uLastActive < context.IdleMs()) {
                continue;
            }
            if (received == CProxyStream::Received::kData && to.Send(data, context.IdleMs())) {
                uLastActive = ::GetTickCount64();
                continue;
            }
            if (received == CProxyStream::Received::kClosed) {
                to.ShutdownSend();
            } else {
                from.Abort();
                to.Abort();
            }
            return;
        }
    };
    std::thread downstream([&]() noexcept {
        try {
            pump(server, browser);
        } catch (...) {
            browser.Abort();
            server.Abort();
        }
    });
    try {
        pump(browser, server);
    } catch (...) {
        browser.Abort();
        server.Abort();
        downstream.join();
        throw;
    }
    downstream.join();
}

}  // namespace

void RunTunnel(CBrowser& browser, const CProxyContext& context, const CProxyRequest& request) {
    const auto server = OpenUpstream(browser, context, request.host, request.uPort);
    if (!server ||
        !browser.stream.Send("HTTP/1.1 200 Connection established\r\n\r\n", context.IdleMs()) ||
        !server->Send(browser.pending, context.IdleMs())) {
        return;
    }
    COverlappedStream* pBrowser = browser.stream.AsOverlapped();
    COverlappedStream* pServer = server->AsOverlapped();
    if (pBrowser != nullptr && pServer != nullptr) {
        RelayOverlapped(context, *pBrowser, *pServer, !browser.pending.empty());
    } else {
        RelayBlocking(context, browser.stream, *server);
    }
}
