#include "tools/category-server/linux/EpollLoop.h"

#include <fcntl.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>

#include <cerrno>
#include <chrono>
#include <exception>

namespace {

// Markers for the two descriptors that are not connections.
char g_listenerTag;
char g_wakeTag;

// Connections taken per readiness of the listener, so that a flood of them cannot hold up
// the connections already open.
constexpr int kAcceptBatch = 64;
constexpr int kEventBatch = 128;
// Longest sleep: the served index is looked at on each wake-up.
constexpr int kMaxWaitMs = 1000;

std::uint64_t NowMs() {
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                          std::chrono::steady_clock::now().time_since_epoch())
                                          .count());
}

}  // namespace

CEpollLoop::CEpollLoop(CFd listener, const CLoopSettings& settings, const CServedIndex& served,
                       CServerOutput& output)
    : m_listener(std::move(listener)), m_settings(settings), m_index(served), m_output(output) {
    if (m_settings.bVerbose) {
        m_lines = std::make_unique<CLookupLines>(output);
    }
}

bool CEpollLoop::Start() {
    m_epoll.Reset(::epoll_create1(EPOLL_CLOEXEC));
    m_wake.Reset(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    m_spare.Reset(::open("/dev/null", O_RDONLY | O_CLOEXEC));
    if (!m_epoll || !m_wake) {
        return false;
    }
    epoll_event listen{EPOLLIN, {.ptr = &g_listenerTag}};
    epoll_event wake{EPOLLIN, {.ptr = &g_wakeTag}};
    if (::epoll_ctl(m_epoll.Get(), EPOLL_CTL_ADD, m_listener.Get(), &listen) != 0 ||
        ::epoll_ctl(m_epoll.Get(), EPOLL_CTL_ADD, m_wake.Get(), &wake) != 0) {
        return false;
    }
    m_thread = std::thread([this] { Run(); });
    return true;
}

void CEpollLoop::Stop() noexcept {
    if (m_thread.joinable()) {
        const std::uint64_t uOne = 1;
        [[maybe_unused]] const ssize_t n = ::write(m_wake.Get(), &uOne, sizeof uOne);
        m_thread.join();
    }
}

void CEpollLoop::Run() noexcept {
    epoll_event events[kEventBatch];
    bool bStop = false;
    while (!bStop) {
        m_index.Get();  // takes a reloaded index even when no lookup comes
        int nEvents =
            ::epoll_wait(m_epoll.Get(), events, kEventBatch, m_lines ? 0 : WaitMs(NowMs()));
        if (nEvents == 0 && m_lines) {
            m_lines->Flush();  // nothing else to do: the lines go out now
            nEvents = ::epoll_wait(m_epoll.Get(), events, kEventBatch, WaitMs(NowMs()));
        }
        for (int i = 0; i < nEvents; ++i) {
            try {
                void* pTag = events[i].data.ptr;
                if (pTag == &g_wakeTag) {
                    bStop = true;
                } else if (pTag == &g_listenerTag) {
                    AcceptAll();
                } else if (auto* pConnection = static_cast<CConnection*>(pTag);
                           pConnection->fd >= 0) {
                    pConnection->bWriting ? Write(*pConnection) : Read(*pConnection);
                }
            } catch (const std::exception& e) {
                m_output.Line(std::string("serving thread: ") + e.what());
            }
        }
        ExpireAndRecycle();
    }
    while (CConnection* pOldest = m_open.Oldest()) {
        Close(*pOldest);
    }
}

int CEpollLoop::WaitMs(std::uint64_t uNowMs) const {
    const CConnection* pOldest = m_open.Oldest();
    if (pOldest == nullptr) {
        return kMaxWaitMs;
    }
    const std::uint64_t uLeft = pOldest->uDeadlineMs > uNowMs ? pOldest->uDeadlineMs - uNowMs : 0;
    return uLeft < kMaxWaitMs ? static_cast<int>(uLeft) : kMaxWaitMs;
}

void CEpollLoop::AcceptAll() {
    for (int i = 0; i < kAcceptBatch; ++i) {
        if ((m_open.Size() >= m_settings.nMaxConnections || m_free.empty()) && !MakeRoom()) {
            return;
        }
        const int fd = ::accept4(m_listener.Get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EMFILE || errno == ENFILE) {
                // Out of descriptors: take the waiting connection with the spare one and
                // close it, or the listener would stay ready for ever.
                m_spare.Reset();
                CFd refused(::accept4(m_listener.Get(), nullptr, nullptr, SOCK_CLOEXEC));
                m_spare.Reset(::open("/dev/null", O_RDONLY | O_CLOEXEC));
                continue;
            }
            if (errno == EINTR || errno == ECONNABORTED) {
                continue;
            }
            return;  // EAGAIN: none left
        }
        CConnection& connection = *m_free.back();
        m_free.pop_back();
        connection.fd = fd;
        connection.bWatched = connection.bWriting = false;
        connection.reader.Reset();
        m_open.PushNewest(connection, NowMs() + m_settings.uIdleSeconds * 1000ULL);
        // The request usually came with the connection: read it at once.
        Read(connection);
    }
}

// A free connection record for the next accept: a new one below the cap, else the oldest
// open connection's, closed. False only when no record can be had. A record reused at once
// may still get an event of its former connection in this round; that does no harm, as
// reading and writing go by what the socket says, not by the event.
bool CEpollLoop::MakeRoom() {
    if (m_open.Size() >= m_settings.nMaxConnections) {
        if (CConnection* pOldest = m_open.Oldest()) {
            Close(*pOldest);
            m_free.push_back(m_closed.back());
            m_closed.pop_back();
        }
    }
    if (m_free.empty() && m_connections.size() < m_settings.nMaxConnections + kAcceptBatch) {
        m_connections.push_back(std::make_unique<CConnection>());
        m_free.push_back(m_connections.back().get());
    }
    return !m_free.empty();
}

void CEpollLoop::Read(CConnection& connection) {
    for (;;) {
        const std::span<char> space = connection.reader.Space();
        const ssize_t n = ::recv(connection.fd, space.data(), space.size(), 0);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (!connection.bWatched && !Watch(connection, EPOLLIN)) {
                Close(connection);
            }
            return;
        }
        const auto state = n > 0 ? connection.reader.Received(static_cast<std::size_t>(n))
                                 : CLookupRequestReader::State::kMalformed;
        if (state == CLookupRequestReader::State::kComplete) {
            Answer(connection);
            return;
        }
        if (state == CLookupRequestReader::State::kMalformed) {
            Close(connection);  // cut short, closed or not our protocol: nothing to answer
            return;
        }
    }
}

void CEpollLoop::Answer(CConnection& connection) {
    const std::string_view url = connection.reader.Url();
    const CCategoryAnswer answer = m_index.Get().Lookup(url);
    if (m_lines) {
        m_lines->Add(url, answer.category);
    }
    connection.nReply = BuildLookupReply(connection.reader.Type(), answer, connection.reply);
    connection.nSent = 0;
    connection.bWriting = true;
    Write(connection);
}

void CEpollLoop::Write(CConnection& connection) {
    while (connection.nSent < connection.nReply) {
        const ssize_t n = ::send(connection.fd, connection.reply.data() + connection.nSent,
                                 connection.nReply - connection.nSent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (!Watch(connection, EPOLLOUT)) {
                Close(connection);
            }
            return;
        }
        if (n <= 0) {
            break;
        }
        connection.nSent += static_cast<std::size_t>(n);
    }
    Close(connection);  // one request, one reply
}

bool CEpollLoop::Watch(CConnection& connection, std::uint32_t uEvents) {
    epoll_event event{uEvents, {.ptr = &connection}};
    const int iOperation = connection.bWatched ? EPOLL_CTL_MOD : EPOLL_CTL_ADD;
    connection.bWatched = ::epoll_ctl(m_epoll.Get(), iOperation, connection.fd, &event) == 0;
    return connection.bWatched;
}

void CEpollLoop::Close(CConnection& connection) {
    ::close(connection.fd);  // also leaves the epoll set
    connection.fd = -1;
    m_open.Remove(connection);
    m_closed.push_back(&connection);
}

void CEpollLoop::ExpireAndRecycle() {
    const std::uint64_t uNowMs = NowMs();
    while (CConnection* pExpired = m_open.Expired(uNowMs)) {
        Close(*pExpired);
    }
    m_free.insert(m_free.end(), m_closed.begin(), m_closed.end());
    m_closed.clear();
}
