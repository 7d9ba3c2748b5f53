// A category server for one connection on 127.0.0.1, answering with scripted segments.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

class ScriptedCategoryServer {
public:
    // Each segment is sent on its own, a moment after the one before; none: never answer.
    explicit ScriptedCategoryServer(std::vector<std::string> segments, bool bAnswer = true,
                                    const char* szAddress = "127.0.0.1") {
        m_listener = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = ::inet_addr(szAddress);
        int nAddress = sizeof address;
        ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(m_listener, 1);
        ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &nAddress);
        m_iPort = ::ntohs(address.sin_port);
        m_thread = std::thread([this, segments, bAnswer] {
            // A client that never comes must not hang the test.
            fd_set readable;
            FD_ZERO(&readable);
            FD_SET(m_listener, &readable);
            timeval wait{30, 0};
            if (::select(0, &readable, nullptr, nullptr, &wait) != 1) {
                return;
            }
            const SOCKET s = ::accept(m_listener, nullptr, nullptr);
            char buffer[4096];
            const int n = ::recv(s, buffer, sizeof buffer, 0);
            m_strRequest.assign(buffer, n > 0 ? static_cast<size_t>(n) : 0);
            for (const std::string& segment : segments) {
                if (bAnswer) {
                    ::send(s, segment.data(), static_cast<int>(segment.size()), 0);
                    std::this_thread::sleep_for(std::chrono::milliseconds(200));
                }
            }
            // Hold the connection until the client closes it.
            while (::recv(s, buffer, sizeof buffer, 0) > 0) {
            }
            ::closesocket(s);
        });
    }
    ScriptedCategoryServer(const ScriptedCategoryServer&) = delete;
    ScriptedCategoryServer& operator=(const ScriptedCategoryServer&) = delete;
    ~ScriptedCategoryServer() {
        m_thread.join();
        ::closesocket(m_listener);
    }
    int Port() const { return m_iPort; }
    const std::string& Request() const { return m_strRequest; }

private:
    SOCKET m_listener = INVALID_SOCKET;
    int m_iPort = 0;
    std::string m_strRequest;
    std::thread m_thread;
};
