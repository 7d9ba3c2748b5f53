// Overlapped receives and sends, each finished through its own event and
// WSAGetOverlappedResult, as Chromium drives its sockets on Windows. A receive that is still
// pending when a wait gives up stays pending for the next wait, so a tunnel can wait for both
// of its sides at once.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <memory>
#include <string_view>

#include "tools/filter-proxy/PageBuffer.h"
#include "tools/filter-proxy/ProxyStream.h"
#include "win/UniqueHandle.h"

class COverlappedStream : public CProxyStream {
public:
    COverlappedStream(CSocket socket, HANDLE hStop);
    ~COverlappedStream() override;

    Received Receive(std::string_view& data, DWORD dwIdleMs) override;
    bool Send(std::string_view bytes, DWORD dwIdleMs) override;
    void ShutdownSend() override;
    void Abort() override;
    COverlappedStream* AsOverlapped() override { return this; }

    // For a wait on several streams: starts a receive unless one is pending (false when it
    // could not start), its event, and its outcome once the event is set.
    bool StartReceive();
    HANDLE ReceiveEvent() const { return m_receive->event.Get(); }
    Received FinishReceive(std::string_view& data);

private:
    // The memory an operation in flight writes to; kept (not freed) if the socket cannot be
    // made to give it back.
    struct COperation {
        WSAOVERLAPPED overlapped{};
        CHandle event{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
        CPageBuffer buffer;
        bool bPending = false;
    };

    bool Await(COperation& op, DWORD dwIdleMs) const;
    static void Settle(std::unique_ptr<COperation>& op);

    CSocket m_socket;
    HANDLE m_hStop;
    std::unique_ptr<COperation> m_receive = std::make_unique<COperation>();
    std::unique_ptr<COperation> m_send = std::make_unique<COperation>();
};
