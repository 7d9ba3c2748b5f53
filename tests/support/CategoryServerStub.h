// A category server for the filter's tests that answers every lookup until it goes, from a
// function the test gives, and keeps the requests it was sent. It speaks type 6 as the shipped
// server does, or, as a server from before type 6 did, closes a type 6 request unanswered.
// Not on 127.0.0.1: the filter never judges connections to its category server's address.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "filter/core/portable/TLVMessage.h"
#include "tests/support/LoadedPolicyLibrary.h"
#include "tests/support/LoopbackPeer.h"
#include "win/UniqueSocket.h"

class CCategoryServerStub {
public:
    struct CAnswer {
        std::string strCategory;
        bool bHostScope = true;
    };
    using Answer = std::function<CAnswer(const std::string& url)>;
    enum class Protocol { kScoped, kTypeFourOnly };
    struct CRequest {
        int iType = 0;
        std::string strUrl;
    };

    explicit CCategoryServerStub(Answer answer, Protocol protocol = Protocol::kScoped,
                                 const char* szAddress = "127.0.0.2")
        : m_answer(std::move(answer)),
          m_protocol(protocol),
          m_strAddress(szAddress),
          m_listener(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP)) {
        sockaddr_in address = LoopbackAddress(0);
        address.sin_addr.s_addr = ::inet_addr(szAddress);
        ::bind(m_listener.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address);
        ::listen(m_listener.Get(), SOMAXCONN);
        m_iPort = LocalPort(m_listener.Get());
        m_thread = std::thread([this] { Serve(); });
    }
    CCategoryServerStub(const CCategoryServerStub&) = delete;
    CCategoryServerStub& operator=(const CCategoryServerStub&) = delete;
    ~CCategoryServerStub() {
        m_bStop = true;
        m_thread.join();
    }

    int Port() const { return m_iPort; }
    const std::string& Address() const { return m_strAddress; }
    // Makes this the filter's category server at its next reload.
    void Use() const { UseCategoryServer(m_strAddress, m_iPort); }
    std::vector<CRequest> Requests() const {
        const std::lock_guard<std::mutex> lock(m_mutex);
        return m_requests;
    }

private:
    void Serve() {
        while (!m_bStop) {
            fd_set readable;
            FD_ZERO(&readable);
            FD_SET(m_listener.Get(), &readable);
            timeval wait{0, 50000};
            if (::select(0, &readable, nullptr, nullptr, &wait) == 1) {
                const CSocket lookup(::accept(m_listener.Get(), nullptr, nullptr));
                Reply(lookup.Get());
            }
        }
    }

    void Reply(SOCKET s) {
        TLVMessage request;
        std::string strReceived;
        char buffer[2048];
        while (!TLVMessage::Decode(strReceived, request)) {
            const int n = ::recv(s, buffer, sizeof buffer, 0);
            if (n <= 0) {
                return;
            }
            strReceived.append(buffer, static_cast<size_t>(n));
        }
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_requests.push_back({request.type, request.value});
        }
        const bool bScoped = request.type == TLVMessage::kScopedCategorySearch;
        if (bScoped && m_protocol == Protocol::kTypeFourOnly) {
            return;
        }
        const CAnswer answer = m_answer(request.value);
        const std::string strValue =
            bScoped ? std::string(answer.bHostScope ? "h\t" : "u\t") + answer.strCategory
                    : answer.strCategory;
        char reply[TLVMessage::kBufferSize];
        SendAll(s,
                std::string(reply, TLVMessage(request.type, strValue).Encode(reply, sizeof reply)));
    }

    Answer m_answer;
    Protocol m_protocol;
    std::string m_strAddress;
    CSocket m_listener;
    int m_iPort = 0;
    mutable std::mutex m_mutex;
    std::vector<CRequest> m_requests;
    std::atomic<bool> m_bStop = false;
    std::thread m_thread;
};
