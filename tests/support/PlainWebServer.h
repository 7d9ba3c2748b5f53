// A web server for tests of the filter across processes: on the base provider, outside the
// layer, answering each request with a two-byte page.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include "tests/support/LoopbackPeer.h"
#include "tests/support/ScopedCatalog.h"

// Serves nConnections connections, one after another (its destructor waits for them all).
inline CLoopbackPeer PlainWebServer(int nConnections) {
    WSAPROTOCOL_INFOW base = EnumCatalog()[4];
    CSocket listener(::WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, &base, 0, 0));
    return CLoopbackPeer(
        std::move(listener),
        [](SOCKET s) {
            char request[4096];
            ::recv(s, request, sizeof request, 0);
            SendAll(s, "HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nok");
            ::shutdown(s, SD_SEND);
        },
        nConnections);
}
