// WSAAsyncSelect through the layer: the next provider notifies the frame's hidden window, and
// the application's window hears of its own handles.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "tests/support/LayeredSessionTest.h"
#include "tests/support/LoopbackPeer.h"

namespace {

constexpr UINT kSocketMessage = WM_USER + 5;

struct Notice {
    SOCKET s = INVALID_SOCKET;
    long lEvent = 0;
    int iError = 0;
};

// Waits, pumping this thread's messages, for the next socket notice on hWnd; false after
// 10 s, which only a broken layer reaches.
bool WaitForNotice(HWND hWnd, Notice* pNotice) {
    const ULONGLONG uEnd = ::GetTickCount64() + 10000;
    for (ULONGLONG uNow = ::GetTickCount64(); uNow < uEnd; uNow = ::GetTickCount64()) {
        MSG msg;
        while (::PeekMessageA(&msg, hWnd, 0, 0, PM_REMOVE)) {
            if (msg.message == kSocketMessage) {
                *pNotice = {static_cast<SOCKET>(msg.wParam), WSAGETSELECTEVENT(msg.lParam),
                            WSAGETSELECTERROR(msg.lParam)};
                return true;
            }
        }
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(uEnd - uNow),
                                    QS_ALLINPUT);
    }
    return false;
}

CWindow MessageWindow() {
    return CWindow(::CreateWindowExA(0, "STATIC", nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                     nullptr, nullptr));
}

using LayeredAsyncSelect = LayeredSessionTest;

TEST_F(LayeredAsyncSelect, RefusesEventBitsFromBitTenAndWindowsThatAreNone) {
    const CWindow window = MessageWindow();
    CSocket s(::socket(AF_INET, SOCK_STREAM, 0));
    ASSERT_TRUE(window && s);
    EXPECT_EQ(::WSAAsyncSelect(s.Get(), window.Get(), kSocketMessage, FD_READ | (1 << 10)),
              SOCKET_ERROR);
    EXPECT_EQ(::WSAGetLastError(), WSAEINVAL);
    EXPECT_EQ(::WSAAsyncSelect(s.Get(), nullptr, kSocketMessage, FD_READ), SOCKET_ERROR);
    EXPECT_EQ(::WSAGetLastError(), WSAEINVAL);
    // All ten event bits together are accepted.
    EXPECT_EQ(::WSAAsyncSelect(s.Get(), window.Get(), kSocketMessage, (1 << 10) - 1), 0);
}

// Two sockets on one window: each hears of its connect, its data and its peer's close, under
// its own handle.
TEST_F(LayeredAsyncSelect, ConnectReadAndCloseReachTheApplicationsWindowPerSocket) {
    const CWindow window = MessageWindow();
    ASSERT_TRUE(window);
    CLoopbackPeer peer([](SOCKET s) { SendAll(s, "hello"); }, 2);
    CSocket sockets[2] = {CSocket(::socket(AF_INET, SOCK_STREAM, 0)),
                          CSocket(::socket(AF_INET, SOCK_STREAM, 0))};
    std::map<SOCKET, std::set<long>> events;
    const sockaddr_in addr = peer.Address();
    for (CSocket& s : sockets) {
        ASSERT_TRUE(s);
        ASSERT_EQ(::WSAAsyncSelect(s.Get(), window.Get(), kSocketMessage,
                                   FD_CONNECT | FD_READ | FD_CLOSE),
                  0)
            << ::WSAGetLastError();
        // The socket is non-blocking now.
        ASSERT_EQ(::connect(s.Get(), reinterpret_cast<const sockaddr*>(&addr), sizeof addr),
                  SOCKET_ERROR);
        ASSERT_EQ(::WSAGetLastError(), WSAEWOULDBLOCK);
        events[s.Get()];
    }
    const auto allSeen = [&] {
        for (const auto& [s, seen] : events) {
            if (seen.size() != 3) {
                return false;
            }
        }
        return true;
    };
    while (!allSeen()) {
        Notice notice;
        ASSERT_TRUE(WaitForNotice(window.Get(), &notice));
        ASSERT_EQ(events.count(notice.s), 1u) << "notice for a handle not the application's";
        EXPECT_EQ(notice.iError, 0);
        events[notice.s].insert(notice.lEvent);
        if (notice.lEvent == FD_READ) {
            char buf[16];
            EXPECT_EQ(::recv(notice.s, buf, sizeof buf, 0), 5);
        }
    }
    for (const auto& [s, seen] : events) {
        EXPECT_EQ(seen, (std::set<long>{FD_CONNECT, FD_READ, FD_CLOSE}));
    }
}

TEST_F(LayeredAsyncSelect, AcceptedSocketsInheritTheListenersWindowAndMessage) {
    const CWindow window = MessageWindow();
    ASSERT_TRUE(window);
    HWND hWnd = window.Get();
    CSocket listener(::socket(AF_INET, SOCK_STREAM, 0));
    sockaddr_in addr = LoopbackAddress(0);
    ASSERT_EQ(::bind(listener.Get(), reinterpret_cast<const sockaddr*>(&addr), sizeof addr), 0);
    ASSERT_EQ(::listen(listener.Get(), 4), 0);
    ASSERT_EQ(::WSAAsyncSelect(listener.Get(), hWnd, kSocketMessage, FD_ACCEPT | FD_READ), 0)
        << ::WSAGetLastError();

    CSocket client(::socket(AF_INET, SOCK_STREAM, 0));
    addr = LoopbackAddress(LocalPort(listener.Get()));
    ASSERT_EQ(::connect(client.Get(), reinterpret_cast<const sockaddr*>(&addr), sizeof addr), 0);
    Notice notice;
    ASSERT_TRUE(WaitForNotice(hWnd, &notice));
    EXPECT_EQ(notice.s, listener.Get());
    EXPECT_EQ(notice.lEvent, FD_ACCEPT);

    CSocket accepted(::accept(listener.Get(), nullptr, nullptr));
    ASSERT_TRUE(accepted);
    ASSERT_EQ(::send(client.Get(), "x", 1, 0), 1);
    // The accepted socket's notices come to the listener's window, for the accepted handle.
    ASSERT_TRUE(WaitForNotice(hWnd, &notice));
    EXPECT_EQ(notice.s, accepted.Get());
    EXPECT_EQ(notice.lEvent, FD_READ);
}

}  // namespace
