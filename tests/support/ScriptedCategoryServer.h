// A category server for one connection, driven by its test the way Chromium's sequenced socket
// data is: nothing depends on how long anything takes. It accepts the connection and reads the
// request on a thread of its own. Given a reply up front, it sends it at once, in one segment.
// Otherwise it waits for the test to step it: AwaitRequest(), then Send() ("reply now", "the
// next segment now") and Close() ("close now"), each done when called.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <chrono>
#include <future>
#include <optional>
#include <string>
#include <thread>

#include "filter/core/portable/TLVMessage.h"
#include "win/UniqueSocket.h"

// A category reply as the server sends it: message type 4 with the category as its value.
inline std::string CategoryReply(const std::string& category) {
    char buffer[TLVMessage::kBufferSize];
    return std::string(buffer, TLVMessage(4, category).Encode(buffer, sizeof buffer));
}

// The same as the shipped server answers a type 6 lookup: the scope ("h" for the whole host,
// "u" for the URL only), a tab, the category.
inline std::string ScopedCategoryReply(const char* szScope, const std::string& category) {
    char buffer[TLVMessage::kBufferSize];
    return std::string(buffer, TLVMessage(TLVMessage::kScopedCategorySearch,
                                          std::string(szScope) + "\t" + category)
                                   .Encode(buffer, sizeof buffer));
}

class ScriptedCategoryServer {
public:
    explicit ScriptedCategoryServer(const char* szAddress = "127.0.0.1")
        : ScriptedCategoryServer(std::nullopt, szAddress) {}
    explicit ScriptedCategoryServer(std::string reply, const char* szAddress = "127.0.0.1")
        : ScriptedCategoryServer(std::optional<std::string>(std::move(reply)), szAddress) {}
    ScriptedCategoryServer(const ScriptedCategoryServer&) = delete;
    ScriptedCategoryServer& operator=(const ScriptedCategoryServer&) = delete;
    ~ScriptedCategoryServer() { m_thread.join(); }

    int Port() const { return m_iPort; }

    // The client's request, once it has arrived (empty when no client came within the
    // guard time).
    const std::string& Request() {
        AwaitRequest();
        return m_strRequest;
    }
    bool AwaitRequest() {
        return m_arrived.wait_for(kGuardTime) == std::future_status::ready && m_arrived.get();
    }
    // Stepped servers only, after AwaitRequest().
    void Send(const std::string& bytes) {
        ::send(m_connection.Get(), bytes.data(), static_cast<int>(bytes.size()), 0);
    }
    void Close() { m_connection.Reset(); }

private:
    // A client that never comes must not hang the test.
    static constexpr auto kGuardTime = std::chrono::seconds(30);

    ScriptedCategoryServer(std::optional<std::string> reply, const char* szAddress)
        : m_listener(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = ::inet_addr(szAddress);
        int nAddress = sizeof address;
        ::bind(m_listener.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(m_listener.Get(), 1);
        ::getsockname(m_listener.Get(), reinterpret_cast<sockaddr*>(&address), &nAddress);
        m_iPort = ::ntohs(address.sin_port);
        m_arrived = m_requestRead.get_future().share();
        m_thread = std::thread([this, reply = std::move(reply)] {
            const bool bArrived = AcceptRequest();
            m_requestRead.set_value(bArrived);
            if (bArrived && reply) {
                Send(*reply);
                // Held until the client closes it, as the lookup expects.
                char buffer[256];
                while (::recv(m_connection.Get(), buffer, sizeof buffer, 0) > 0) {
                }
                Close();
            }
        });
    }

    bool AcceptRequest() {
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(m_listener.Get(), &readable);
        timeval wait{static_cast<long>(kGuardTime.count()), 0};
        if (::select(0, &readable, nullptr, nullptr, &wait) != 1) {
            return false;
        }
        m_connection.Reset(::accept(m_listener.Get(), nullptr, nullptr));
        char buffer[4096];
        const int n = ::recv(m_connection.Get(), buffer, sizeof buffer, 0);
        m_strRequest.assign(buffer, n > 0 ? static_cast<size_t>(n) : 0);
        return true;
    }

    CSocket m_listener;
    CSocket m_connection;
    int m_iPort = 0;
    std::string m_strRequest;
    std::promise<bool> m_requestRead;
    std::shared_future<bool> m_arrived;
    std::thread m_thread;
};
