// Module attach and detach, WSPStartup over the next provider of every chain that begins with
// the layer entry, and the matching clean-up.
#include <cstring>
#include <string>

#include "filter/core/SharedFilterState.h"
#include "filter/core/portable/FilterLog.h"
#include "filter/frame/Entries.h"
#include "filter/frame/Overlapped.h"

namespace {

constexpr int kPathChars = MAX_PATH;

void ProcessAttach(HINSTANCE hInstance) {
    gModuleInstance = hInstance;
    ::InitializeCriticalSection(&gStartupLock);
    ::InitializeCriticalSection(&gOverlappedLock);
    gCallProviderSlot = ::TlsAlloc();
    char szPath[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, szPath, MAX_PATH);
    const char* szName = std::strrchr(szPath, '\\');
    szName = szName != nullptr ? szName + 1 : szPath;
    FrameLog().SetFileName(szName);
    SetFilterLog(&ProcessFilterLog());
    FrameLog().Write(
        std::string("=======================================\nApplication Name is ") + szName, 1);
    ++gSharedState.processCount;
}

void ProcessDetach(LPVOID lpReserved) {
    ::InterlockedExchange(&gDetaching, 1);
    --gSharedState.processCount;
    {
        const CStartupLockScope lock;
        if (gBaseInfo != nullptr) {
            int iError = 0;
            FreeSocketsAndMemory(&iError);
        }
    }
    ::DeleteCriticalSection(&gStartupLock);
    ::DeleteCriticalSection(&gOverlappedLock);
    if (lpReserved != nullptr) {
        return;
    }
    ::TlsFree(gCallProviderSlot);
    gCallProviderSlot = TLS_OUT_OF_INDEXES;
}

// Loads the next provider of one chain: the expanded wide path first, then the ANSI path,
// then the Windows folder joined with the path's tail. False after the log line is written.
bool LoadNextProvider(ProviderInfo& info) {
    const DWORD nExpanded =
        ::ExpandEnvironmentStringsW(info.ProviderPath, info.LibraryPath, kPathChars);
    if (nExpanded != 0 && nExpanded <= kPathChars) {
        info.Module = ::LoadLibraryW(info.LibraryPath);
        if (info.Module == nullptr) {
            FrameLog().Write("Expand Environment string failed", 1);
            return false;
        }
        return true;
    }
    ::WideCharToMultiByte(CP_ACP, 0, info.ProviderPath, info.ProviderPathLen, info.ProviderPathAnsi,
                          sizeof info.ProviderPathAnsi, nullptr, nullptr);
    info.Module = ::LoadLibraryA(info.ProviderPathAnsi);
    if (info.Module != nullptr) {
        return true;
    }
    char szFallback[MAX_PATH] = {};
    if (::GetWindowsDirectoryA(szFallback, MAX_PATH) == 0) {
        FrameLog().Write("WSPStratUp :: GetWindowsDirectory failed", 1);
        szFallback[0] = '\0';
    } else if (const char* szTail = std::strchr(info.ProviderPathAnsi, '\\')) {
        std::strncat(szFallback, szTail, MAX_PATH - std::strlen(szFallback) - 1);
    } else {
        FrameLog().Write("WSPStartUp :: \\ not found in provider path", 1);
    }
    info.Module = ::LoadLibraryA(szFallback);
    if (info.Module == nullptr) {
        LogFormat(1, "LoadLibrary Failed Path=%s", szFallback);
        return false;
    }
    return true;
}

// Steps 4 to 12 of start-up, under gStartupLock; returns the start-up result.
int FirstStartup(WORD wVersionRequested, LPWSPDATA lpWSPData, LPWSAPROTOCOL_INFOW lpProtocolInfo,
                 WSPUPCALLTABLE UpcallTable, LPWSPPROC_TABLE lpProcTable, bool* pRanToEnd) {
    gProviderHeap = ::HeapCreate(0, kProviderHeapInitialSize, 0);
    if (gProviderHeap == nullptr) {
        DebugOut("WSPStartup: HeapCreate() failed: %d\r\n", static_cast<int>(::GetLastError()));
    }
    int nTotal = 0;
    LPWSAPROTOCOL_INFOW pCatalog = GetProviders(&nTotal);
    if (pCatalog == nullptr) {
        DebugOut("GetProviders failed\r\n");
        FrameLog().Write("GetProviders failed\n", 1);
        return WSAEPROVIDERFAILEDINIT;
    }
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

    gBaseInfo = static_cast<ProviderInfo*>(
        gProviderHeap != nullptr
            ? ::HeapAlloc(gProviderHeap, HEAP_ZERO_MEMORY, gProviderCount * sizeof(ProviderInfo))
            : nullptr);
    if (gBaseInfo == nullptr) {
        ::GlobalFree(pCatalog);
        DebugOut("WSPStartup: HeapAlloc() failed on gBaseInfo\r\n");
        FrameLog().Write("WSPStartup: HeapAlloc() failed on gBaseInfo\n", 1);
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
    ::GlobalFree(pCatalog);

    int iResult = 0;
    for (int i = 0; i < gProviderCount; ++i) {
        ProviderInfo& info = gBaseInfo[i];
        info.ProviderPathLen = kPathChars;
        int iError = 0;
        if (::WSCGetProviderPath(&info.NextProvider.ProviderId, info.ProviderPath,
                                 &info.ProviderPathLen, &iError) == SOCKET_ERROR) {
            FrameLog().Write("WSCGetProviderPath failed", 1);
            return WSAEPROVIDERFAILEDINIT;
        }
        if (!LoadNextProvider(info)) {
            return WSAEPROVIDERFAILEDINIT;
        }
        info.StartupEntry = reinterpret_cast<LPWSPSTARTUP>(
            reinterpret_cast<void*>(::GetProcAddress(info.Module, "WSPStartup")));
        if (info.StartupEntry == nullptr) {
            DebugOut("GetProcAddress failed!\r\n");
            FrameLog().Write("GetProcAddress failed", 1);
            return WSAEPROVIDERFAILEDINIT;
        }
        LPWSAPROTOCOL_INFOW lpRecord = info.NextProvider.ProtocolChain.ChainLen == BASE_PROTOCOL
                                           ? &info.NextProvider
                                           : lpProtocolInfo;
        iResult = info.StartupEntry(wVersionRequested, lpWSPData, lpRecord, UpcallTable,
                                    &info.NextProcTable);
        if (iResult != 0) {
            char szName[WSAPROTOCOL_LEN + 1] = {};
            ::WideCharToMultiByte(CP_ACP, 0, info.NextProvider.szProtocol, -1, szName,
                                  sizeof szName, nullptr, nullptr);
            DebugOut("%s->WSPStartup() failed: %d\r\n", szName, iResult);
            LogFormat(1, "%s->WSPStartup() failed: %d\r\n", szName, iResult);
        }
        if (CheckProcTable(&info.NextProcTable) != 0) {
            DebugOut("Provider '%S' returned bad proc table!\r\n", info.NextProvider.szProtocol);
            LogFormat(1, "Provider '%S' returned bad proc table!\r\n",
                      info.NextProvider.szProtocol);
            return WSAEPROVIDERFAILEDINIT;
        }
    }
    FillProcTable(lpProcTable);
    gSavedWSPData = *lpWSPData;
    gSavedProcTable = *lpProcTable;
    // A failure here is retried by the first overlapped request.
    InitOverlappedManager();
    *pRanToEnd = true;
    return iResult;
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID lpReserved) {
    DebugOut("DllMain Called");
    try {
        if (dwReason == DLL_PROCESS_ATTACH) {
            ProcessAttach(hInstance);
        } else if (dwReason == DLL_PROCESS_DETACH) {
            ProcessDetach(lpReserved);
        }
    } catch (...) {
        // Nothing may leave the loader's call; the module stays usable without its log.
    }
    return TRUE;
}

LPWSAPROTOCOL_INFOW GetProviders(LPINT lpnTotalProtocols) {
    DWORD cbNeeded = 0;
    int iError = 0;
    *lpnTotalProtocols = 0;
    if (::WSCEnumProtocols(nullptr, nullptr, &cbNeeded, &iError) != SOCKET_ERROR ||
        iError != WSAENOBUFS) {
        return nullptr;
    }
    auto* pCatalog = static_cast<LPWSAPROTOCOL_INFOW>(::GlobalAlloc(GPTR, cbNeeded));
    if (pCatalog == nullptr) {
        return nullptr;
    }
    const int nTotal = ::WSCEnumProtocols(nullptr, pCatalog, &cbNeeded, &iError);
    if (nTotal == SOCKET_ERROR) {
        ::GlobalFree(pCatalog);
        return nullptr;
    }
    *lpnTotalProtocols = nTotal;
    return pCatalog;
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
        FrameLog().Write("WSPStartup", 2);
        const CStartupLockScope lock;
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
        ::InterlockedIncrement(&gEntryCount);
        if (iResult != 0) {
            LogFormat(1, "WSPStartUp Failed Return=%d", iResult);
        }
        return iResult;
    } catch (const std::exception& e) {
        LogException(e.what());
    } catch (...) {
        LogException("");
    }
    return WSAEPROVIDERFAILEDINIT;
}

int WSPAPI WSPCleanup(LPINT lpErrno) {
    if (gDetaching != 0) {
        return 0;
    }
    const CStartupLockScope lock;
    if (gEntryCount == 0) {
        *lpErrno = WSANOTINITIALISED;
        DebugOut("WSPCleanup returning WSAENOTINITIALISED\r\n");
        return SOCKET_ERROR;
    }
    if (::InterlockedDecrement(&gEntryCount) == 0) {
        DebugOut("WSPCleanup: gEntryCount == 0; cleaning up\r\n");
        {
            // The threads being stopped take gStartupLock themselves: the worker window to
            // find a notice's socket, a manager thread to unlink a closed socket's record at
            // its last completion. Held here, they could not finish, the stops would time out,
            // and the records below would be freed under them. The host serialises start-up
            // and clean-up, so no start-up comes in meanwhile.
            const CStartupLockRelease unlocked;
            StopWorkerWindow();
            StopOverlappedManager();
        }
        ::Sleep(200);
        LogFormat(3, "WSPCleanup :: socket records left %d, overlapped records in use %d",
                  CountSocketRecords(), OverlappedRecordsInUse());
        FreeSocketsAndMemory(lpErrno);
    }
    return 0;
}

void FreeSocketsAndMemory(LPINT lpErrno) {
    for (int i = 0; gBaseInfo != nullptr && i < gProviderCount; ++i) {
        ProviderInfo& info = gBaseInfo[i];
        SocketInfo* pInfo = info.SocketList;
        while (pInfo != nullptr) {
            SocketInfo* pNext = pInfo->Next;
            if (info.NextProcTable.lpWSPSetSockOpt != nullptr) {
                const linger zeroLinger = {1, 0};
                if (info.NextProcTable.lpWSPSetSockOpt(pInfo->ProviderSocket, SOL_SOCKET, SO_LINGER,
                                                       reinterpret_cast<const char*>(&zeroLinger),
                                                       sizeof zeroLinger,
                                                       lpErrno) == SOCKET_ERROR) {
                    DebugOut("WSPSetSockOpt(SO_LINGER) failed: %d\n", *lpErrno);
                }
            }
            if (info.NextProcTable.lpWSPCloseSocket != nullptr &&
                info.NextProcTable.lpWSPCloseSocket(pInfo->ProviderSocket, lpErrno) ==
                    SOCKET_ERROR) {
                DebugOut("WSPCloseSocket() on handle %d failed: %d\n",
                         static_cast<int>(pInfo->ProviderSocket), *lpErrno);
            }
            if (gUpcalls.lpWPUCloseSocketHandle != nullptr) {
                gUpcalls.lpWPUCloseSocketHandle(pInfo->LayeredSocket, lpErrno);
            }
            FreeSocketInfo(pInfo);
            pInfo = pNext;
        }
        info.SocketList = nullptr;
        if (info.NextProcTable.lpWSPCleanup != nullptr &&
            info.NextProcTable.lpWSPCleanup(lpErrno) == SOCKET_ERROR) {
            DebugOut("FreeSocketsAndMemory: WSPCleanup() failed: %d\r\n", *lpErrno);
        }
        if (info.Module != nullptr) {
            ::FreeLibrary(info.Module);
            info.Module = nullptr;
        }
    }
    if (gBaseInfo != nullptr) {
        ::HeapFree(gProviderHeap, 0, gBaseInfo);
    }
    if (gProviderHeap != nullptr) {
        ::HeapDestroy(gProviderHeap);
    }
    gBaseInfo = nullptr;
    gProviderHeap = nullptr;
    ForgetOverlappedPool();
}
