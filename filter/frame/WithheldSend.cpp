#include "filter/frame/WithheldSend.h"

#include <mswsock.h>

#include <string>

#include "filter/core/FilterHooks.h"
#include "filter/frame/CallProviderScope.h"
#include "filter/frame/ProviderInfo.h"
#include "filter/frame/SocketInfo.h"
#include "filter/frame/Trace.h"

namespace {

// The held start of an allowed hello and its rest, sent as one before the call returns. The
// connection has sent nothing else yet, so its send buffer takes them at once.
void SendHeld(SocketInfo& info, std::string& held) {
    const CCallProviderScope slot(info.Provider);
    for (std::size_t nDone = 0; nDone < held.size();) {
        WSABUF buffer{static_cast<ULONG>(held.size() - nDone), held.data() + nDone};
        DWORD nSent = 0;
        int iError = 0;
        if (info.Provider->NextProcTable.lpWSPSend(info.ProviderSocket, &buffer, 1, &nSent, 0,
                                                   nullptr, nullptr, nullptr, &iError) != 0 ||
            nSent == 0) {
            Trace(1, "WSPSend    :: held ClientHello not sent: %d", iError);
            return;
        }
        nDone += nSent;
        info.BytesSent += nSent;
    }
}

}  // namespace

DWORD WithholdSend(SocketInfo& info, SOCKET s, LPWSABUF lpBuffers, DWORD dwBufferCount) {
    std::string held;
    switch (FilterKeptSend(s, &held)) {
        case KeptSend::kRefused: {
            int iError = 0;
            const CCallProviderScope slot(info.Provider);
            info.Provider->NextProcTable.lpWSPShutdown(info.ProviderSocket, SD_SEND, &iError);
            break;
        }
        case KeptSend::kRelease:
            SendHeld(info, held);
            break;
        case KeptSend::kHeld:
            break;
    }
    DWORD nBytes = 0;
    for (DWORD i = 0; i < dwBufferCount; ++i) {
        nBytes += lpBuffers[i].len;
    }
    return nBytes;
}

void EndWithheldConnect(ProviderInfo& provider, SOCKET sProvider, SOCKET s) {
    std::string held;
    // A first send can only be refused or held: nothing was kept before it.
    if (FilterKeptSend(s, &held) != KeptSend::kRefused) {
        return;
    }
    int iError = 0;
    const CCallProviderScope slot(&provider);
    provider.NextProcTable.lpWSPSetSockOpt(sProvider, SOL_SOCKET, SO_UPDATE_CONNECT_CONTEXT,
                                           nullptr, 0, &iError);
    provider.NextProcTable.lpWSPShutdown(sProvider, SD_SEND, &iError);
}
