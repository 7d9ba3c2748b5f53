#include "tools/filter-proxy/ProxyServer.h"

#include <exception>

#include "tools/filter-proxy/ProxyLog.h"

namespace {

// Connections over the limit are answered 503 by threads of their own, at most this many at
// once; beyond that they are closed at once.
constexpr std::size_t kMaxRefusing = 16;
// How often finished threads are joined when nothing else happens.
constexpr DWORD kSweepMs = 1000;

}  // namespace

CProxyServer::CProxyServer(CSocket listener, const CProxyContext& context)
    : m_listener(std::move(listener)), m_context(context) {}

CProxyServer::~CProxyServer() {
    JoinFinished(true);
}

bool CProxyServer::Run() noexcept {
    try {
        if (!m_acceptEvent ||
            ::WSAEventSelect(m_listener.Get(), m_acceptEvent.Get(), FD_ACCEPT) != 0) {
            ProxyLog("cannot wait for connections (error %d)", ::WSAGetLastError());
            return false;
        }
        const HANDLE handles[] = {m_acceptEvent.Get(), m_context.hStop};
        for (;;) {
            const DWORD dwWait = ::WaitForMultipleObjects(2, handles, FALSE, kSweepMs);
            if (dwWait == WAIT_OBJECT_0) {
                AcceptAll();
            } else if (dwWait != WAIT_TIMEOUT) {
                break;
            }
            JoinFinished(false);
        }
        JoinFinished(true);
        return true;
    } catch (const std::exception& e) {
        ProxyLog("accepting ended by an exception: %s", e.what());
    }
    ::SetEvent(m_context.hStop);
    JoinFinished(true);
    return false;
}

void CProxyServer::AcceptAll() {
    for (;;) {
        CSocket browser(::accept(m_listener.Get(), nullptr, nullptr));
        if (!browser) {
            return;  // none left (WSAEWOULDBLOCK), or a failed one
        }
        // An accepted socket inherits the listener's event selection and non-blocking mode.
        u_long uBlocking = 0;
        ::WSAEventSelect(browser.Get(), nullptr, 0);
        ::ioctlsocket(browser.Get(), FIONBIO, &uBlocking);
        const BOOL bOn = TRUE;
        ::setsockopt(browser.Get(), IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&bOn),
                     sizeof bOn);
        if (m_nServing < m_context.options.nMaxConnections) {
            Start(std::move(browser), false);
        } else if (m_nRefusing < kMaxRefusing) {
            Start(std::move(browser), true);
        } else {
            ProxyLog("connection closed unanswered: %u open and %u being refused",
                     static_cast<unsigned>(m_nServing), static_cast<unsigned>(m_nRefusing));
        }
    }
}

void CProxyServer::Start(CSocket browser, bool bRefuse) {
    auto worker = std::make_unique<CWorker>();
    CWorker* pWorker = worker.get();
    pWorker->bRefuse = bRefuse;
    m_workers.push_back(std::move(worker));
    try {
        pWorker->thread = std::thread(
            [this, pWorker, bRefuse](CSocket s) noexcept {
                ServeConnection(std::move(s), m_context, bRefuse);
                pWorker->bDone = true;
            },
            std::move(browser));
    } catch (const std::exception& e) {
        m_workers.pop_back();
        ProxyLog("connection closed unanswered: no thread for it (%s)", e.what());
        return;
    }
    ++(bRefuse ? m_nRefusing : m_nServing);
}

void CProxyServer::JoinFinished(bool bAll) {
    for (auto it = m_workers.begin(); it != m_workers.end();) {
        CWorker& worker = **it;
        if (!bAll && !worker.bDone) {
            ++it;
            continue;
        }
        worker.thread.join();
        --(worker.bRefuse ? m_nRefusing : m_nServing);
        it = m_workers.erase(it);
    }
}
