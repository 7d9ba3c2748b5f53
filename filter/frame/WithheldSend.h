// Sends the filter kept from the provider: the ClientHello of a blocked site (and everything
// sent after it), where nothing reaches the server, which is told that the client has
// finished; and the pieces of a ClientHello not yet whole, held until it is judged. Either
// way the application is told its bytes went.
#pragma once

#include <winsock2.h>
#include <windows.h>

struct ProviderInfo;
struct SocketInfo;

// Settles a send the filter kept: shuts the send side down for a refused connection, keeps
// held pieces, or sends all that was held once the hello is allowed. Returns the bytes to
// report sent.
DWORD WithholdSend(SocketInfo& info, SOCKET s, LPWSABUF lpBuffers, DWORD dwBufferCount);
// The same once a ConnectEx whose send buffer was kept has connected (the socket takes
// shutdown only after its connect context is updated).
void EndWithheldConnect(ProviderInfo& provider, SOCKET sProvider, SOCKET s);
