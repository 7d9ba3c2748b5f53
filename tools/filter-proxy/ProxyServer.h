// The accepting side: one thread accepts every browser connection (several accepting threads
// lose connections under Wine) and starts a thread for each. A thread per connection keeps
// each connection's code a plain sequence of waits; at a few hundred connections the threads
// cost little, and the limit on connections bounds them. Finished threads are joined as the
// loop goes round, and all of them before Run returns.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <list>
#include <memory>
#include <thread>

#include "tools/filter-proxy/Connection.h"
#include "win/UniqueHandle.h"

class CProxyServer {
public:
    CProxyServer(CSocket listener, const CProxyContext& context);
    CProxyServer(const CProxyServer&) = delete;
    CProxyServer& operator=(const CProxyServer&) = delete;
    ~CProxyServer();

    // Serves until the context's stop event is set; false when it could not start.
    bool Run() noexcept;

private:
    struct CWorker {
        std::thread thread;
        std::atomic<bool> bDone = false;
        bool bRefuse = false;
    };

    void AcceptAll();
    void Start(CSocket browser, bool bRefuse);
    void JoinFinished(bool bAll);

    CSocket m_listener;
    const CProxyContext& m_context;
    CHandle m_acceptEvent{::CreateEventW(nullptr, FALSE, FALSE, nullptr)};
    std::list<std::unique_ptr<CWorker>> m_workers;
    std::size_t m_nServing = 0;
    std::size_t m_nRefusing = 0;
};
