#include "tools/category-server/linux/EpollServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <thread>

#include "Api/portable/ServerAddress.h"

namespace {

// A non-blocking listening socket on the address and port, shared by port with the other
// threads' sockets (SO_REUSEPORT); empty with errno set on failure.
CFd Listen(std::uint32_t uAddress, std::uint16_t uPort) {
    CFd listener(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    const int iOn = 1;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(uAddress);
    address.sin_port = htons(uPort);
    if (!listener ||
        ::setsockopt(listener.Get(), SOL_SOCKET, SO_REUSEADDR, &iOn, sizeof iOn) != 0 ||
        ::setsockopt(listener.Get(), SOL_SOCKET, SO_REUSEPORT, &iOn, sizeof iOn) != 0 ||
        ::bind(listener.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener.Get(), SOMAXCONN) != 0) {
        return CFd();
    }
    return listener;
}

std::uint16_t PortOf(const CFd& listener) {
    sockaddr_in address{};
    socklen_t nAddress = sizeof address;
    if (::getsockname(listener.Get(), reinterpret_cast<sockaddr*>(&address), &nAddress) != 0) {
        return 0;
    }
    return ntohs(address.sin_port);
}

}  // namespace

CEpollServer::CEpollServer(const CServerOptions& options, const CServedIndex& served,
                           CServerOutput& output)
    : m_options(options), m_served(served), m_output(output) {}

bool CEpollServer::Start(std::string& strError) {
    const unsigned uThreads = m_options.uThreads != 0
                                  ? m_options.uThreads
                                  : std::max(1U, std::thread::hardware_concurrency());
    CLoopSettings settings;
    settings.uIdleSeconds = m_options.uIdleSeconds;
    settings.nMaxConnections = std::max<std::size_t>(1, m_options.nMaxConnections / uThreads);
    settings.bVerbose = m_options.bVerbose;
    m_uPort = m_options.uPort;
    for (unsigned i = 0; i < uThreads; ++i) {
        CFd listener = Listen(m_options.uAddress, m_uPort);
        if (!listener || (m_uPort = PortOf(listener)) == 0) {
            strError = "cannot listen on " + FormatIpv4(m_options.uAddress) + ":" +
                       std::to_string(m_uPort) + ": " + std::strerror(errno);
            Stop();
            return false;
        }
        m_loops.push_back(
            std::make_unique<CEpollLoop>(std::move(listener), settings, m_served, m_output));
        if (!m_loops.back()->Start()) {
            strError = std::string("cannot start a serving thread: ") + std::strerror(errno);
            Stop();
            return false;
        }
    }
    return true;
}

void CEpollServer::Stop() noexcept {
    for (auto& loop : m_loops) {
        loop->Stop();
    }
    m_loops.clear();
}
