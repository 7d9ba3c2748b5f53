// Sends the filter refused (the ClientHello of a blocked HTTPS site, and everything after it):
// nothing reaches the server, which is told that the client has finished, and the application
// is told its bytes went.
#pragma once

#include <winsock2.h>
#include <windows.h>

struct ProviderInfo;
struct SocketInfo;

// Shuts the send side of the socket down; returns the bytes to report sent.
DWORD WithholdSend(SocketInfo& info, LPWSABUF lpBuffers, DWORD dwBufferCount);
// The same once a ConnectEx whose send buffer was refused has connected (the socket takes
// shutdown only after its connect context is updated).
void EndWithheldConnect(ProviderInfo& provider, SOCKET sProvider);
