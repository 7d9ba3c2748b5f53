// Owner of a Unix file descriptor (a socket, an epoll or an event descriptor).
#pragma once

#include <unistd.h>

#include <utility>

class CFd {
public:
    CFd() noexcept = default;
    explicit CFd(int fd) noexcept : m_fd(fd) {}
    CFd(CFd&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    CFd& operator=(CFd&& other) noexcept {
        Reset(std::exchange(other.m_fd, -1));
        return *this;
    }
    CFd(const CFd&) = delete;
    CFd& operator=(const CFd&) = delete;
    ~CFd() { Reset(); }

    int Get() const noexcept { return m_fd; }
    explicit operator bool() const noexcept { return m_fd >= 0; }
    void Reset(int fd = -1) noexcept {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
        m_fd = fd;
    }

private:
    int m_fd = -1;
};
