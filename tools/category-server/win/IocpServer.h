// The category server's serving side on Windows: one listening socket on an I/O completion
// port, a few accepts always posted (AcceptEx), and one serving thread per processor taking
// whatever completes, so no thread belongs to a connection. A connection lives from its
// accept until its reply is out, for at most the idle time; a sweeping thread cancels the
// ones whose time is up, and when the server holds --max-connections the oldest makes way
// for a new one, so that silent connections cannot keep lookups out.
#pragma once

#include <winsock2.h>
#include <windows.h>
#include <mswsock.h>

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "tools/category-server/portable/DeadlineList.h"
#include "tools/category-server/portable/LookupProtocol.h"
#include "tools/category-server/portable/ServedIndex.h"
#include "tools/category-server/portable/ServerOptions.h"
#include "tools/category-server/portable/ServerOutput.h"
#include "win/UniqueHandle.h"
#include "win/UniqueSocket.h"

class CIocpServer {
public:
    CIocpServer(const CServerOptions& options, const CServedIndex& served, CServerOutput& output);
    CIocpServer(const CIocpServer&) = delete;
    CIocpServer& operator=(const CIocpServer&) = delete;
    ~CIocpServer() { Stop(); }

    // Listens and starts serving; false with what went wrong in strError.
    bool Start(std::string& strError);
    std::uint16_t Port() const noexcept { return m_uPort; }
    // Cancels everything, waits for every posted operation to come back, ends the threads.
    void Stop() noexcept;

private:
    // One posted accept, then the connection it brought, with one operation at a time.
    struct CContext;
    // An operation's overlapped structure, first in a plain struct so that a completion's
    // OVERLAPPED* leads back to its context.
    struct COperation {
        OVERLAPPED overlapped{};
        CContext* pContext = nullptr;
    };
    struct CContext {
        COperation operation;
        enum class Step { kAccept, kReceive, kSend } step = Step::kAccept;
        CSocket socket;
        bool bListed = false;                 // in m_open (under m_lock)
        std::atomic<bool> bCancelled{false};  // its time ran out, it made way, or stopping
        std::uint64_t uDeadlineMs = 0;
        CContext* pOlder = nullptr;
        CContext* pNewer = nullptr;
        CLookupRequestReader reader;
        std::array<char, kMaxReplyBytes> reply{};
        std::size_t nReply = 0;
        std::size_t nSent = 0;
        // AcceptEx's two addresses, each with the 16 bytes it asks for beyond the address.
        std::array<char, 2 * (sizeof(sockaddr_in) + 16)> addresses{};
    };
    // What a serving thread keeps for itself.
    struct CWorker {
        CServedIndex::CReader index;
        std::unique_ptr<CLookupLines> lines;
    };

    // On the system's own provider, so that no layered provider (the filter's, when the
    // product is installed) stands between the server and its clients.
    SOCKET NewSocket();
    bool Listen(std::string& strError);
    void Work() noexcept;
    void Complete(CWorker& worker, CContext& context, DWORD dwBytes, bool bOk);
    void Sweep() noexcept;

    bool PostAccept();
    void Accepted(CContext& context, bool bOk);
    void PostReceive(CContext& context);
    void Received(CWorker& worker, CContext& context, DWORD dwBytes, bool bOk);
    void PostSend(CContext& context);
    void Sent(CContext& context, DWORD dwBytes, bool bOk);
    void Finish(CContext& context);
    template <class Post>
    bool PostLocked(CContext& context, Post post);
    void CancelUnlocked(CContext& context);  // m_lock held
    void StopWhenDone();

    const CServerOptions& m_options;
    const CServedIndex& m_served;
    CServerOutput& m_output;
    std::uint16_t m_uPort = 0;

    std::optional<WSAPROTOCOL_INFOW> m_provider;  // none found: the catalogue's choice
    CHandle m_port;                               // the completion port
    CSocket m_listener;
    LPFN_ACCEPTEX m_pAcceptEx = nullptr;
    std::size_t m_nAcceptTarget = 16;

    // The lists below; also held while an operation is posted, so that a cancel either finds
    // the operation posted or keeps it from being posted.
    std::mutex m_lock;
    CDeadlineList<CContext> m_open;
    std::vector<std::unique_ptr<CContext>> m_contexts;
    std::vector<CContext*> m_free;
    std::size_t m_nAccepting = 0;

    std::atomic<long> m_nPosted{0};        // operations posted and not yet dealt with
    std::atomic<bool> m_bStopping{false};  // set under m_lock
    CHandle m_stopSweeping{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    std::vector<std::thread> m_workers;
    std::thread m_sweeper;
};
