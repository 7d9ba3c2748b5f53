// The category server's serving side on Linux: a listening socket and an epoll loop per
// serving thread, all on one address and port.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tools/category-server/linux/EpollLoop.h"
#include "tools/category-server/portable/ServedIndex.h"
#include "tools/category-server/portable/ServerOptions.h"
#include "tools/category-server/portable/ServerOutput.h"

class CEpollServer {
public:
    CEpollServer(const CServerOptions& options, const CServedIndex& served, CServerOutput& output);
    CEpollServer(const CEpollServer&) = delete;
    CEpollServer& operator=(const CEpollServer&) = delete;
    ~CEpollServer() { Stop(); }

    // Listens and starts serving; false with what went wrong in strError.
    bool Start(std::string& strError);
    // The port listened on (the one chosen when 0 was asked for).
    std::uint16_t Port() const noexcept { return m_uPort; }
    void Stop() noexcept;

private:
    const CServerOptions& m_options;
    const CServedIndex& m_served;
    CServerOutput& m_output;
    std::uint16_t m_uPort = 0;
    std::vector<std::unique_ptr<CEpollLoop>> m_loops;
};
