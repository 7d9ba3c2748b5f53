// The extension functions the frame hands out with the strict switch on, in place of the next
// provider's: ConnectEx, DisconnectEx, TransmitPackets, WSARecvMsg and WSASendMsg.
#pragma once

#include <winsock2.h>
#include <windows.h>

struct SocketInfo;

// Answers a request for one of them (the frame's function in the output, once the chain's
// next provider has given its own): true with the request's result in *piResult, false when
// the GUID names none of them.
bool AnswerStrictExtension(SocketInfo& info, const GUID& id, LPVOID lpvOutBuffer, DWORD cbOutBuffer,
                           LPDWORD lpcbBytesReturned, LPINT lpErrno, int* piResult);

// The GUID in its registry form, {xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}, for the log.
struct CGuidText {
    char szText[40];
};
CGuidText GuidText(const GUID& id) noexcept;
