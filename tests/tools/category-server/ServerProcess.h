// The real category server as a child process of a native test, and a client of its protocol.
#pragma once

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/TempPath.h"
#include "tools/category-server/linux/FileDescriptor.h"

extern char** environ;

// Only a guard against a hang: every wait ends on a condition long before.
inline constexpr std::chrono::seconds kGuard{30};

// Waits (bounded) for a condition; true when it came.
template <class F>
bool WaitFor(F condition) {
    for (const auto end = std::chrono::steady_clock::now() + kGuard;
         std::chrono::steady_clock::now() < end;) {
        if (condition()) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return condition();
}

class CServerProcess {
public:
    // The server with these arguments and --port 0, its output in a file; started when the
    // first line named its port.
    explicit CServerProcess(std::vector<std::string> args) {
        args.insert(args.begin(), {CATEGORY_SERVER, "--port", "0"});
        std::vector<char*> argv;
        for (std::string& arg : args) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, m_output.String().c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
        if (posix_spawn(&m_pid, CATEGORY_SERVER, &actions, nullptr, argv.data(), environ) != 0) {
            m_pid = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        WaitFor([this] { return m_pid < 0 || (m_uPort = PortInOutput()) != 0; });
    }
    CServerProcess(const CServerProcess&) = delete;
    CServerProcess& operator=(const CServerProcess&) = delete;
    ~CServerProcess() { Stop(); }

    std::uint16_t Port() const { return m_uPort; }
    void Signal(int iSignal) const { ::kill(m_pid, iSignal); }
    // The exit status after SIGTERM; -1 when it did not end.
    int Stop() {
        if (m_pid < 0) {
            return m_iStatus;
        }
        ::kill(m_pid, SIGTERM);
        int iStatus = 0;
        WaitFor([&] { return ::waitpid(m_pid, &iStatus, WNOHANG) == m_pid; });
        m_iStatus = WIFEXITED(iStatus) ? WEXITSTATUS(iStatus) : -1;
        m_pid = -1;
        return m_iStatus;
    }
    std::string Output() const {
        std::ifstream in(m_output.Path());
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    bool OutputHas(const std::string& text) const {
        return WaitFor([&] { return Output().find(text) != std::string::npos; });
    }

private:
    std::uint16_t PortInOutput() const {
        const std::string output = Output();
        const std::size_t nAt = output.find("listening on 127.0.0.1:");
        return nAt == std::string::npos
                   ? 0
                   : static_cast<std::uint16_t>(std::stoi(output.substr(nAt + 23)));
    }

    CTempPath m_output{"category-server-output"};
    pid_t m_pid = -1;
    std::uint16_t m_uPort = 0;
    int m_iStatus = -1;
};

// A connection to the server (blocking, a ten-second receive wait); empty when refused.
inline CFd Connect(std::uint16_t uPort) {
    CFd s(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(uPort);
    const timeval wait{10, 0};
    ::setsockopt(s.Get(), SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    if (::connect(s.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        return CFd();
    }
    return s;
}

inline std::string Request(std::uint8_t uType, const std::string& url) {
    const std::size_t n = url.size() + 5;
    std::string bytes(1, static_cast<char>(uType));
    for (int i = 0; i < 4; ++i) {
        bytes += static_cast<char>((n >> (8 * i)) & 0xFF);
    }
    return bytes + url;
}

inline bool SendBytes(const CFd& s, const std::string& bytes) {
    return ::send(s.Get(), bytes.data(), bytes.size(), MSG_NOSIGNAL) ==
           static_cast<ssize_t>(bytes.size());
}

// Everything the server sends until it closes; *pbClosed tells whether it did close (or
// reset) rather than the wait running out.
inline std::string ReceiveAll(const CFd& s, bool* pbClosed = nullptr) {
    std::string data;
    char buffer[2048];
    ssize_t n = 0;
    while ((n = ::recv(s.Get(), buffer, sizeof buffer, 0)) > 0) {
        data.append(buffer, static_cast<std::size_t>(n));
    }
    if (pbClosed != nullptr) {
        *pbClosed = n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK);
    }
    return data;
}

// Whether the server closes the connection without sending anything, within the wait.
inline bool ClosedByServer(const CFd& s) {
    bool bClosed = false;
    return ReceiveAll(s, &bClosed).empty() && bClosed;
}

// The reply's value to one lookup; empty when the lookup failed (no whole reply of the
// request's type).
inline std::optional<std::string> Lookup(std::uint16_t uPort, std::uint8_t uType,
                                         const std::string& url) {
    const CFd s = Connect(uPort);
    if (!s || !SendBytes(s, Request(uType, url))) {
        return std::nullopt;
    }
    const std::string reply = ReceiveAll(s);
    if (reply.size() < 5 || static_cast<std::uint8_t>(reply[0]) != uType ||
        static_cast<std::size_t>(static_cast<unsigned char>(reply[1])) +
                (static_cast<std::size_t>(static_cast<unsigned char>(reply[2])) << 8) !=
            reply.size()) {
        return std::nullopt;
    }
    return reply.substr(5);
}
