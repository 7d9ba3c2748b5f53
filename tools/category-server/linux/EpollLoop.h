// One serving thread on Linux: its own listening socket (the kernel spreads connections over
// the threads' sockets, SO_REUSEPORT), its own epoll and its own connections, so that threads
// share nothing but the served index and the output. A connection lives from its accept
// until its reply is out, for at most the idle time; when the thread holds its share of the
// connection cap, the oldest connection makes way for a new one, so that silent connections
// cannot keep lookups out.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

#include "tools/category-server/linux/FileDescriptor.h"
#include "tools/category-server/portable/DeadlineList.h"
#include "tools/category-server/portable/LookupProtocol.h"
#include "tools/category-server/portable/ServedIndex.h"
#include "tools/category-server/portable/ServerOutput.h"

struct CLoopSettings {
    unsigned uIdleSeconds = 5;
    std::size_t nMaxConnections = 1024;  // this thread's share
    bool bVerbose = false;
};

class CEpollLoop {
public:
    CEpollLoop(CFd listener, const CLoopSettings& settings, const CServedIndex& served,
               CServerOutput& output);
    CEpollLoop(const CEpollLoop&) = delete;
    CEpollLoop& operator=(const CEpollLoop&) = delete;
    ~CEpollLoop() { Stop(); }

    // Starts the thread; false with errno set when the loop's descriptors cannot be made.
    bool Start();
    void Stop() noexcept;

private:
    struct CConnection {
        int fd = -1;
        bool bWatched = false;  // in the epoll set
        bool bWriting = false;  // the reply is going out
        std::size_t nReply = 0;
        std::size_t nSent = 0;
        std::uint64_t uDeadlineMs = 0;
        CConnection* pOlder = nullptr;
        CConnection* pNewer = nullptr;
        CLookupRequestReader reader;
        std::array<char, kMaxReplyBytes> reply{};
    };

    void Run() noexcept;
    int WaitMs(std::uint64_t uNowMs) const;
    void AcceptAll();
    bool MakeRoom();
    void Read(CConnection& connection);
    void Answer(CConnection& connection);
    void Write(CConnection& connection);
    bool Watch(CConnection& connection, std::uint32_t uEvents);
    void Close(CConnection& connection);
    void ExpireAndRecycle();

    CFd m_listener;
    const CLoopSettings m_settings;
    CServedIndex::CReader m_index;
    CServerOutput& m_output;
    std::unique_ptr<CLookupLines> m_lines;  // with --verbose only
    CFd m_epoll;
    CFd m_wake;   // written to stop the loop
    CFd m_spare;  // given up to close a connection when out of descriptors
    std::thread m_thread;

    std::vector<std::unique_ptr<CConnection>> m_connections;
    std::vector<CConnection*> m_free;
    // Closed in the current round: their events of this round may still come, so they are
    // reused only in the next.
    std::vector<CConnection*> m_closed;
    CDeadlineList<CConnection> m_open;
};
