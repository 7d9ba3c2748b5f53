// The send path with the strict switch on: every request head of a connection judged however
// it is split over sends and buffers, and a connection that begins with a TLS handshake judged
// by the server name of its ClientHello.
#pragma once

#include <winsock2.h>

// True when the bytes must not go on: the ClientHello of a blocked HTTPS site, and everything
// sent on that connection after it.
bool SendStrict(SOCKET s, LPWSABUF lpBuffers, DWORD dwBufferCount);
