// One protocol chain the layer serves: the chain's catalogue record, the next provider's
// record, and the next provider's module and procedure table.
#pragma once

#include <winsock2.h>
#include <windows.h>
#include <ws2spi.h>

#include "filter/frame/ChainExtensions.h"
#include "win/UniqueHandle.h"

struct SocketInfo;

struct ProviderInfo {
    WSAPROTOCOL_INFOW NextProvider;
    WSAPROTOCOL_INFOW LayeredProvider;
    WSPPROC_TABLE NextProcTable;
    WCHAR ProviderPath[MAX_PATH];
    WCHAR LibraryPath[MAX_PATH];
    CHAR ProviderPathAnsi[MAX_PATH * 2];
    INT ProviderPathLen;
    CModule Module;
    LPWSPSTARTUP StartupEntry;
    SocketInfo* SocketList;  // guarded by gStartupLock
    ChainExtensions Extensions;
};

// Whether the chain's sockets carry datagrams (UDP), where the filter looks for QUIC.
inline bool CarriesDatagrams(const ProviderInfo& provider) {
    return provider.NextProvider.iSocketType == SOCK_DGRAM;
}
