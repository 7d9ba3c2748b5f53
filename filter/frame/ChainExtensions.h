// The next provider's extension functions of one chain, which the frame calls for the
// functions it hands out with the strict switch on. Each is fetched on an application's first
// request for it and kept with the chain, since another chain's next provider may be another
// DLL with functions of its own.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <mswsock.h>

#include <atomic>

struct ChainExtensions {
    std::atomic<LPFN_CONNECTEX> ConnectEx{};
    std::atomic<LPFN_DISCONNECTEX> DisconnectEx{};
    std::atomic<LPFN_TRANSMITPACKETS> TransmitPackets{};
    std::atomic<LPFN_WSARECVMSG> RecvMsg{};
    std::atomic<LPFN_WSASENDMSG> SendMsg{};
};
