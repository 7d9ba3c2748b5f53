// The readers of the strict send path, one for each kind of stream a connection may begin
// with. Each reads the bytes of one send and returns true when they must not go on (the
// connection then refused).
#pragma once

#include <winsock2.h>

#include "filter/core/portable/SocketFilterState.h"

// Request heads, each judged as a server reads it; a CONNECT by its target, whose tunnel is
// then read as a new stream.
bool ReadRequestHeads(SocketFilterState& state, LPWSABUF lpBuffers, DWORD dwBufferCount);

// A TLS ClientHello, judged by its server name, or by the peer's address when it has none.
bool ReadClientHello(SocketFilterState& state, LPWSABUF lpBuffers, DWORD dwBufferCount);

// A hello in the SSLv2 format, which has no room for a name: judged by the peer's address.
bool IsSslV2Hello(LPWSABUF lpBuffers, DWORD dwBufferCount);
bool JudgeByAddress(SocketFilterState& state);

// A tunnel (SOCKS or CONNECT) allowed: what the client sends through it next is judged as the
// first bytes of a connection, from the bytes of this send after nSkip on (a client that does
// not wait for the proxy's answer). Held tunnel bytes keep this send's earlier bytes with them,
// so that the proxy gets all in order.
bool StartTunnel(SocketFilterState& state, LPWSABUF lpBuffers, DWORD dwBufferCount,
                 std::size_t nSkip);
