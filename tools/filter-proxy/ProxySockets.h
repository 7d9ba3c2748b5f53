// The proxy's two kinds of socket. The browser's side (the listener and the connections it
// accepts) is made on the base TCP/IPv4 provider named explicitly, so the filter's layer never
// sees it: it is not browsing, and the filter must not take the proxy's answers to the
// browser for requests. The server's side is made the way any program makes a socket, so the
// catalogue hands it to the layer's chain exactly as it would a Windows browser's.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <cstdint>

#include "win/UniqueSocket.h"

// Listens on 127.0.0.1:uPort (0: any free port); empty on failure.
CSocket OpenBrowserListener(std::uint16_t uPort);

std::uint16_t LocalPort(SOCKET s);

// A connection to the server at uAddress (first byte highest) and uPort, through the layer;
// empty with iError set on failure.
CSocket ConnectUpstream(std::uint32_t uAddress, std::uint16_t uPort, int& iError);
