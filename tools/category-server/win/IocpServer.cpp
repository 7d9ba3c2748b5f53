#include "tools/category-server/win/IocpServer.h"

#include <algorithm>
#include <exception>
#include <type_traits>

#include "Api/portable/ServerAddress.h"
#include "win/BaseTcpProvider.h"

namespace {

// The completion key of the message that ends a serving thread.
constexpr ULONG_PTR kStopKey = 1;
// A serving thread wakes at least this often to take a reloaded index.
constexpr DWORD kMaxWaitMs = 1000;
constexpr DWORD kSweepMs = 250;

std::uint64_t NowMs() {
    return ::GetTickCount64();
}

std::string ErrorText(const std::string& what, int iError) {
    return what + " (error " + std::to_string(iError) + ")";
}

}  // namespace

CIocpServer::CIocpServer(const CServerOptions& options, const CServedIndex& served,
                         CServerOutput& output)
    : m_options(options), m_served(served), m_output(output) {
    static_assert(std::is_standard_layout_v<COperation>,
                  "a completion's OVERLAPPED* is taken for its operation");
}

bool CIocpServer::Start(std::string& strError) {
    const unsigned uThreads = m_options.uThreads != 0
                                  ? m_options.uThreads
                                  : std::max(1U, std::thread::hardware_concurrency());
    m_nAcceptTarget = std::min<std::size_t>(2 * uThreads + 8, m_options.nMaxConnections + 1);
    m_port.Reset(::CreateIoCompletionPort(INVALID_HANDLE_VALUE, nullptr, 0, uThreads));
    if (!m_port || !m_stopSweeping) {
        strError = ErrorText("cannot make a completion port", static_cast<int>(::GetLastError()));
        return false;
    }
    if (!Listen(strError)) {
        return false;
    }
    for (unsigned i = 0; i < uThreads; ++i) {
        m_workers.emplace_back([this] { Work(); });
    }
    for (std::size_t i = 0; i < m_nAcceptTarget; ++i) {
        if (!PostAccept()) {
            strError = ErrorText("cannot post an accept", ::WSAGetLastError());
            Stop();
            return false;
        }
    }
    m_sweeper = std::thread([this] { Sweep(); });
    return true;
}

SOCKET CIocpServer::NewSocket() {
    WSAPROTOCOL_INFOW* pProvider = m_provider ? &*m_provider : nullptr;
    return ::WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, pProvider, 0, WSA_FLAG_OVERLAPPED);
}

bool CIocpServer::Listen(std::string& strError) {
    m_provider = BaseTcpProvider();
    m_listener.Reset(NewSocket());
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = ::htonl(m_options.uAddress);
    address.sin_port = ::htons(m_options.uPort);
    const std::string where =
        FormatIpv4(m_options.uAddress) + ":" + std::to_string(m_options.uPort);
    // No other program may take the port from under the server (Windows lets a later bind
    // share it otherwise).
    const BOOL bExclusive = TRUE;
    if (m_listener) {
        ::setsockopt(m_listener.Get(), SOL_SOCKET, SO_EXCLUSIVEADDRUSE,
                     reinterpret_cast<const char*>(&bExclusive), sizeof bExclusive);
    }
    if (!m_listener ||
        ::bind(m_listener.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) !=
            0 ||
        ::listen(m_listener.Get(), SOMAXCONN) != 0) {
        strError = ErrorText("cannot listen on " + where, ::WSAGetLastError());
        return false;
    }
    int nAddress = sizeof address;
    ::getsockname(m_listener.Get(), reinterpret_cast<sockaddr*>(&address), &nAddress);
    m_uPort = ::ntohs(address.sin_port);

    GUID acceptExId = WSAID_ACCEPTEX;
    DWORD dwBytes = 0;
    if (::WSAIoctl(m_listener.Get(), SIO_GET_EXTENSION_FUNCTION_POINTER, &acceptExId,
                   sizeof acceptExId, &m_pAcceptEx, sizeof m_pAcceptEx, &dwBytes, nullptr,
                   nullptr) != 0 ||
        ::CreateIoCompletionPort(reinterpret_cast<HANDLE>(m_listener.Get()), m_port.Get(), 0, 0) ==
            nullptr) {
        strError = ErrorText("cannot accept on the completion port", ::WSAGetLastError());
        return false;
    }
    return true;
}

void CIocpServer::Stop() noexcept {
    if (m_workers.empty()) {
        return;
    }
    {
        // Nothing is posted after this; what is posted comes back cancelled.
        const std::lock_guard lock(m_lock);
        m_bStopping = true;
        ::CancelIoEx(reinterpret_cast<HANDLE>(m_listener.Get()), nullptr);
        while (CContext* pOldest = m_open.Oldest()) {
            CancelUnlocked(*pOldest);
        }
    }
    ::SetEvent(m_stopSweeping.Get());
    if (m_sweeper.joinable()) {
        m_sweeper.join();
    }
    StopWhenDone();
    for (std::thread& worker : m_workers) {
        worker.join();
    }
    m_workers.clear();
}

// While stopping: once every posted operation has come back, the threads may end (each stop
// message ends one thread, which passes it on).
void CIocpServer::StopWhenDone() {
    if (m_bStopping && m_nPosted == 0) {
        ::PostQueuedCompletionStatus(m_port.Get(), 0, kStopKey, nullptr);
    }
}

void CIocpServer::Work() noexcept {
    CWorker worker{CServedIndex::CReader(m_served), nullptr};
    if (m_options.bVerbose) {
        worker.lines = std::make_unique<CLookupLines>(m_output);
    }
    for (;;) {
        DWORD dwBytes = 0;
        ULONG_PTR key = 0;
        OVERLAPPED* pOverlapped = nullptr;
        worker.index.Get();  // takes a reloaded index even when no lookup comes
        BOOL bOk = ::GetQueuedCompletionStatus(m_port.Get(), &dwBytes, &key, &pOverlapped,
                                               worker.lines ? 0 : kMaxWaitMs);
        if (pOverlapped == nullptr && key != kStopKey && worker.lines) {
            worker.lines->Flush();  // nothing else to do: the lines go out now
            bOk =
                ::GetQueuedCompletionStatus(m_port.Get(), &dwBytes, &key, &pOverlapped, kMaxWaitMs);
        }
        if (pOverlapped == nullptr) {
            if (key == kStopKey) {
                ::PostQueuedCompletionStatus(m_port.Get(), 0, kStopKey, nullptr);
                return;
            }
            StopWhenDone();
            continue;
        }
        try {
            CContext& context = *reinterpret_cast<COperation*>(pOverlapped)->pContext;
            Complete(worker, context, dwBytes, bOk != FALSE);
        } catch (const std::exception& e) {
            m_output.Line(std::string("serving thread: ") + e.what());
        }
        // Counted down only now: an operation this one posted is counted before this one
        // goes, so the count never touches zero while work is still coming.
        --m_nPosted;
        StopWhenDone();
    }
}

void CIocpServer::Complete(CWorker& worker, CContext& context, DWORD dwBytes, bool bOk) {
    if (context.step == CContext::Step::kAccept) {
        Accepted(context, bOk);
    } else if (context.bCancelled) {
        Finish(context);
    } else if (context.step == CContext::Step::kReceive) {
        Received(worker, context, dwBytes, bOk);
    } else {
        Sent(context, dwBytes, bOk);
    }
}

// Posts one operation of the context, unless it was cancelled or the server is stopping;
// post() returns whether the operation is under way.
template <class Post>
bool CIocpServer::PostLocked(CContext& context, Post post) {
    context.operation = COperation{OVERLAPPED{}, &context};
    const std::lock_guard lock(m_lock);
    if (m_bStopping || context.bCancelled) {
        return false;
    }
    ++m_nPosted;
    if (!post()) {
        --m_nPosted;
        return false;
    }
    return true;
}

bool CIocpServer::PostAccept() {
    CContext* pContext = nullptr;
    {
        const std::lock_guard lock(m_lock);
        if (m_free.empty()) {
            m_contexts.push_back(std::make_unique<CContext>());
            m_free.push_back(m_contexts.back().get());
        }
        pContext = m_free.back();
        m_free.pop_back();
        ++m_nAccepting;
    }
    CContext& context = *pContext;
    context.step = CContext::Step::kAccept;
    context.bCancelled = false;
    context.socket.Reset(NewSocket());
    const bool bPosted =
        context.socket &&
        ::CreateIoCompletionPort(reinterpret_cast<HANDLE>(context.socket.Get()), m_port.Get(), 0,
                                 0) != nullptr &&
        PostLocked(context, [&] {
            DWORD dwBytes = 0;
            // No receive with the accept: a silent connection must come out to be timed.
            return m_pAcceptEx(m_listener.Get(), context.socket.Get(), context.addresses.data(), 0,
                               sizeof(sockaddr_in) + 16, sizeof(sockaddr_in) + 16, &dwBytes,
                               &context.operation.overlapped) ||
                   ::WSAGetLastError() == ERROR_IO_PENDING;
        });
    if (!bPosted) {
        context.socket.Reset();
        const std::lock_guard lock(m_lock);
        --m_nAccepting;
        m_free.push_back(&context);
    }
    return bPosted;
}

void CIocpServer::Accepted(CContext& context, bool bOk) {
    {
        const std::lock_guard lock(m_lock);
        --m_nAccepting;
    }
    // Another accept takes this one's place at once (the sweeper tops up any that fail).
    PostAccept();
    const SOCKET listener = m_listener.Get();
    if (!bOk || ::setsockopt(context.socket.Get(), SOL_SOCKET, SO_UPDATE_ACCEPT_CONTEXT,
                             reinterpret_cast<const char*>(&listener), sizeof listener) != 0) {
        Finish(context);
        return;
    }
    {
        const std::lock_guard lock(m_lock);
        if (!m_bStopping) {
            if (m_open.Size() >= m_options.nMaxConnections) {
                CancelUnlocked(*m_open.Oldest());
            }
            m_open.PushNewest(context, NowMs() + m_options.uIdleSeconds * 1000ULL);
            context.bListed = true;
        }
    }
    context.reader.Reset();
    PostReceive(context);
}

void CIocpServer::PostReceive(CContext& context) {
    context.step = CContext::Step::kReceive;
    const std::span<char> space = context.reader.Space();
    WSABUF buffer{static_cast<ULONG>(space.size()), space.data()};
    if (!PostLocked(context, [&] {
            DWORD dwFlags = 0;
            return ::WSARecv(context.socket.Get(), &buffer, 1, nullptr, &dwFlags,
                             &context.operation.overlapped, nullptr) == 0 ||
                   ::WSAGetLastError() == WSA_IO_PENDING;
        })) {
        Finish(context);
    }
}

void CIocpServer::Received(CWorker& worker, CContext& context, DWORD dwBytes, bool bOk) {
    const auto state = bOk && dwBytes > 0 ? context.reader.Received(dwBytes)
                                          : CLookupRequestReader::State::kMalformed;
    if (state == CLookupRequestReader::State::kReading) {
        PostReceive(context);
        return;
    }
    if (state == CLookupRequestReader::State::kMalformed) {
        Finish(context);  // cut short, closed or not our protocol: nothing to answer
        return;
    }
    const std::string_view url = context.reader.Url();
    const CCategoryAnswer answer = worker.index.Get().Lookup(url);
    if (worker.lines) {
        worker.lines->Add(url, answer.category);
    }
    context.nReply = BuildLookupReply(context.reader.Type(), answer, context.reply);
    context.nSent = 0;
    PostSend(context);
}

void CIocpServer::PostSend(CContext& context) {
    context.step = CContext::Step::kSend;
    WSABUF buffer{static_cast<ULONG>(context.nReply - context.nSent),
                  context.reply.data() + context.nSent};
    if (!PostLocked(context, [&] {
            return ::WSASend(context.socket.Get(), &buffer, 1, nullptr, 0,
                             &context.operation.overlapped, nullptr) == 0 ||
                   ::WSAGetLastError() == WSA_IO_PENDING;
        })) {
        Finish(context);
    }
}

void CIocpServer::Sent(CContext& context, DWORD dwBytes, bool bOk) {
    context.nSent += bOk ? dwBytes : 0;
    if (bOk && dwBytes > 0 && context.nSent < context.nReply) {
        PostSend(context);
        return;
    }
    Finish(context);  // one request, one reply
}

void CIocpServer::Finish(CContext& context) {
    {
        const std::lock_guard lock(m_lock);
        if (context.bListed) {
            m_open.Remove(context);
            context.bListed = false;
        }
    }
    // Closed outside the lock: only listed connections are cancelled, and this one no
    // longer is.
    context.socket.Reset();
    const std::lock_guard lock(m_lock);
    m_free.push_back(&context);
}

// Takes the connection off the list and cancels its operation, which then comes back
// failed (or done, if it was quicker) and finishes the connection.
void CIocpServer::CancelUnlocked(CContext& context) {
    m_open.Remove(context);
    context.bListed = false;
    context.bCancelled = true;
    ::CancelIoEx(reinterpret_cast<HANDLE>(context.socket.Get()), nullptr);
}

// Every quarter second: connections whose time is up are cancelled, and accepts that could
// not be posted again are tried anew.
void CIocpServer::Sweep() noexcept {
    while (::WaitForSingleObject(m_stopSweeping.Get(), kSweepMs) == WAIT_TIMEOUT) {
        std::size_t nMissing = 0;
        {
            const std::lock_guard lock(m_lock);
            for (const std::uint64_t uNow = NowMs(); CContext* pExpired = m_open.Expired(uNow);) {
                CancelUnlocked(*pExpired);
            }
            nMissing = m_nAcceptTarget - std::min(m_nAcceptTarget, m_nAccepting);
        }
        for (std::size_t i = 0; i < nMissing && PostAccept(); ++i) {
        }
    }
}
