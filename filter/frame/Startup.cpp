// WSPStartup: the layer serves every catalogue chain that begins with its own entry, over the
// next provider of each.
#include <winsock2.h>
#include <windows.h>
#include <ws2spi.h>

#include <cstring>
#include <exception>

#include "filter/frame/Entries.h"
#include "filter/frame/OverlappedManager.h"
#include "filter/frame/ProcTable.h"
#include "filter/frame/ProcessState.h"
#include "filter/frame/ProviderHeap.h"
#include "filter/frame/ProviderIds.h"
#include "filter/frame/ProviderInfo.h"
#include "filter/frame/Startup.h"
#include "filter/frame/Trace.h"

namespace {

constexpr int kPathChars = MAX_PATH;

// The Windows folder joined with the tail of the ANSI path, from its first '\'.
void FallbackPath(const ProviderInfo& info, char (&szFallback)[MAX_PATH]) {
    if (::GetWindowsDirectoryA(szFallback, MAX_PATH) == 0) {
        Trace(1, "WSPStratUp :: GetWindowsDirectory failed");
        szFallback[0] = '\0';
    } else if (const char* szTail = std::strchr(info.ProviderPathAnsi, '\\')) {
        std::strncat(szFallback, szTail, MAX_PATH - std::strlen(szFallback) - 1);
    } else {
        Trace(1, "WSPStartUp :: \\ not found in provider path");
    }
}

// Loads the next provider of one chain: the expanded wide path first, then the ANSI path,
// then the Windows folder joined with the path's tail. False after the log line is written.
bool LoadNextProvider(ProviderInfo& info) {
    const DWORD nExpanded =
        ::ExpandEnvironmentStringsW(info.ProviderPath, info.LibraryPath, kPathChars);
    if (nExpanded != 0 && nExpanded <= kPathChars) {
        info.Module.Reset(::LoadLibraryW(info.LibraryPath));
        if (!info.Module) {
            Trace(1, "Expand Environment string failed");
            return false;
        }
        return true;
    }
    ::WideCharToMultiByte(CP_ACP, 0, info.ProviderPath, info.ProviderPathLen, info.ProviderPathAnsi,
                          sizeof info.ProviderPathAnsi, nullptr, nullptr);
    info.Module.Reset(::LoadLibraryA(info.ProviderPathAnsi));
    if (info.Module) {
        return true;
    }
    char szFallback[MAX_PATH] = {};
    FallbackPath(info, szFallback);
    info.Module.Reset(::LoadLibraryA(szFallback));
    if (!info.Module) {
        Trace(1, "LoadLibrary Failed Path=%s", szFallback);
        return false;
    }
    return true;
}

// The layer entry's id, and gBaseInfo with one record per chain that begins with it. 0, or
// the start-up's error.
int FindChains(const WSAPROTOCOL_INFOW* pCatalog, int nTotal) {
    for (int i = 0; i < nTotal; ++i) {
        if (IsEqualGUID(pCatalog[i].ProviderId, kProviderGuid)) {
            gLayerEntryId = pCatalog[i].dwCatalogEntryId;
            break;
        }
    }
    gProviderCount = 0;
    for (int i = 0; i < nTotal; ++i) {
        if (pCatalog[i].ProtocolChain.ChainEntries[0] == gLayerEntryId) {
            ++gProviderCount;
        }
    }
    DebugOut("Layered over %d protocols\r\n", gProviderCount);
    gBaseInfo = NewOnProviderHeap<ProviderInfo>(gProviderCount);
    if (gBaseInfo == nullptr) {
        DebugOut("WSPStartup: HeapAlloc() failed on gBaseInfo\r\n");
        Trace(1, "WSPStartup: HeapAlloc() failed on gBaseInfo\n");
        return WSAENOBUFS;
    }
    int iSlot = 0;
    for (int i = 0; i < nTotal && iSlot < gProviderCount; ++i) {
        if (pCatalog[i].ProtocolChain.ChainEntries[0] != gLayerEntryId) {
            continue;
        }
        gBaseInfo[iSlot].LayeredProvider = pCatalog[i];
        DebugOut("Layer is %S\r\n", pCatalog[i].szProtocol);
        for (int j = 0; j < nTotal; ++j) {
            if (pCatalog[j].dwCatalogEntryId == pCatalog[i].ProtocolChain.ChainEntries[1]) {
                gBaseInfo[iSlot].NextProvider = pCatalog[j];
                ++iSlot;
                break;
            }
        }
    }
    return 0;
}

// Loads and starts the next provider of one chain. 0 when it could be asked (its own answer
// in *piResult), else the start-up's error.
int StartNextProvider(ProviderInfo& info, WORD wVersionRequested, LPWSPDATA lpWSPData,
                      LPWSAPROTOCOL_INFOW lpProtocolInfo, const WSPUPCALLTABLE& upcalls,
                      int* piResult) {
    info.ProviderPathLen = kPathChars;
    int iError = 0;
    if (::WSCGetProviderPath(&info.NextProvider.ProviderId, info.ProviderPath,
                             &info.ProviderPathLen, &iError) == SOCKET_ERROR) {
        Trace(1, "WSCGetProviderPath failed");
        return WSAEPROVIDERFAILEDINIT;
    }
    if (!LoadNextProvider(info)) {
        return WSAEPROVIDERFAILEDINIT;
    }
    info.StartupEntry = reinterpret_cast<LPWSPSTARTUP>(
        reinterpret_cast<void*>(::GetProcAddress(info.Module.Get(), "WSPStartup")));
    if (info.StartupEntry == nullptr) {
        DebugOut("GetProcAddress failed!\r\n");
        Trace(1, "GetProcAddress failed");
        return WSAEPROVIDERFAILEDINIT;
    }
    LPWSAPROTOCOL_INFOW lpRecord = info.NextProvider.ProtocolChain.ChainLen == BASE_PROTOCOL
                                       ? &info.NextProvider
                                       : lpProtocolInfo;
    *piResult =
        info.StartupEntry(wVersionRequested, lpWSPData, lpRecord, upcalls, &info.NextProcTable);
    if (*piResult != 0) {
        char szName[WSAPROTOCOL_LEN + 1] = {};
        ::WideCharToMultiByte(CP_ACP, 0, info.NextProvider.szProtocol, -1, szName, sizeof szName,
                              nullptr, nullptr);
        TraceAndDebugOut(1, "%s->WSPStartup() failed: %d\r\n", szName, *piResult);
    }
    if (CheckProcTable(&info.NextProcTable) != 0) {
        TraceAndDebugOut(1, "Provider '%S' returned bad proc table!\r\n",
                         info.NextProvider.szProtocol);
        return WSAEPROVIDERFAILEDINIT;
    }
    return 0;
}

// The first start-up of the process (or the first after a clean-up), under gStartupLock.
// *pbRanToEnd: whether it counts as a start-up (the next providers' own failures do).
int FirstStartup(WORD wVersionRequested, LPWSPDATA lpWSPData, LPWSAPROTOCOL_INFOW lpProtocolInfo,
                 const WSPUPCALLTABLE& upcalls, LPWSPPROC_TABLE lpProcTable, bool* pbRanToEnd) {
    gProviderHeap.Reset(::HeapCreate(0, kProviderHeapInitialSize, 0));
    if (!gProviderHeap) {
        DebugOut("WSPStartup: HeapCreate() failed: %d\r\n", static_cast<int>(::GetLastError()));
    }
    {
        int nTotal = 0;
        const CGlobalMemory<WSAPROTOCOL_INFOW> catalog = GetProviders(&nTotal);
        if (!catalog) {
            DebugOut("GetProviders failed\r\n");
            Trace(1, "GetProviders failed\n");
            return WSAEPROVIDERFAILEDINIT;
        }
        if (const int iError = FindChains(catalog.Get(), nTotal)) {
            return iError;
        }
    }
    int iResult = 0;
    for (int i = 0; i < gProviderCount; ++i) {
        if (const int iError = StartNextProvider(gBaseInfo[i], wVersionRequested, lpWSPData,
                                                 lpProtocolInfo, upcalls, &iResult)) {
            return iError;
        }
    }
    FillProcTable(lpProcTable);
    gSavedWSPData = *lpWSPData;
    gSavedProcTable = *lpProcTable;
    // A failure here is retried by the first overlapped request.
    InitOverlappedManager();
    *pbRanToEnd = true;
    return iResult;
}

}  // namespace

CGlobalMemory<WSAPROTOCOL_INFOW> GetProviders(LPINT lpnTotalProtocols) {
    DWORD cbNeeded = 0;
    int iError = 0;
    *lpnTotalProtocols = 0;
    if (::WSCEnumProtocols(nullptr, nullptr, &cbNeeded, &iError) != SOCKET_ERROR ||
        iError != WSAENOBUFS) {
        return {};
    }
    CGlobalMemory<WSAPROTOCOL_INFOW> catalog(
        static_cast<LPWSAPROTOCOL_INFOW>(::GlobalAlloc(GPTR, cbNeeded)));
    if (!catalog) {
        return {};
    }
    const int nTotal = ::WSCEnumProtocols(nullptr, catalog.Get(), &cbNeeded, &iError);
    if (nTotal == SOCKET_ERROR) {
        return {};
    }
    *lpnTotalProtocols = nTotal;
    return catalog;
}

int CheckProcTable(const WSPPROC_TABLE* pTable) {
    const auto* pEntries = reinterpret_cast<void* const*>(pTable);
    for (size_t i = 0; i < sizeof(WSPPROC_TABLE) / sizeof(void*); ++i) {
        if (pEntries[i] == nullptr) {
            return -1;
        }
    }
    return 0;
}

extern "C" int WSPAPI WSPStartup(WORD wVersionRequested, LPWSPDATA lpWSPData,
                                 LPWSAPROTOCOL_INFOW lpProtocolInfo, WSPUPCALLTABLE UpcallTable,
                                 LPWSPPROC_TABLE lpProcTable) {
    DebugOut("WSPStartup\n");
    try {
        Trace(2, "WSPStartup");
        const CCriticalSectionLock lock(gStartupLock);
        gUpcalls = UpcallTable;
        int iResult = 0;
        if (gEntryCount != 0) {
            *lpWSPData = gSavedWSPData;
            *lpProcTable = gSavedProcTable;
        } else {
            bool bRanToEnd = false;
            iResult = FirstStartup(wVersionRequested, lpWSPData, lpProtocolInfo, UpcallTable,
                                   lpProcTable, &bRanToEnd);
            if (!bRanToEnd) {
                return iResult;
            }
        }
        ++gEntryCount;
        if (iResult != 0) {
            Trace(1, "WSPStartUp Failed Return=%d", iResult);
        }
        return iResult;
    } catch (const std::exception& e) {
        LogException(e.what());
    } catch (...) {
        LogException("");
    }
    return WSAEPROVIDERFAILEDINIT;
}
