#include "filter/frame/WithheldSend.h"

#include <mswsock.h>

#include "filter/frame/CallProviderScope.h"
#include "filter/frame/ProviderInfo.h"
#include "filter/frame/SocketInfo.h"

DWORD WithholdSend(SocketInfo& info, LPWSABUF lpBuffers, DWORD dwBufferCount) {
    int iError = 0;
    const CCallProviderScope slot(info.Provider);
    info.Provider->NextProcTable.lpWSPShutdown(info.ProviderSocket, SD_SEND, &iError);
    DWORD nBytes = 0;
    for (DWORD i = 0; i < dwBufferCount; ++i) {
        nBytes += lpBuffers[i].len;
    }
    return nBytes;
}

void EndWithheldConnect(ProviderInfo& provider, SOCKET sProvider) {
    int iError = 0;
    const CCallProviderScope slot(&provider);
    provider.NextProcTable.lpWSPSetSockOpt(sProvider, SOL_SOCKET, SO_UPDATE_CONNECT_CONTEXT,
                                           nullptr, 0, &iError);
    provider.NextProcTable.lpWSPShutdown(sProvider, SD_SEND, &iError);
}
