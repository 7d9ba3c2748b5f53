// The frame's process globals, one set per process that loads FilterLsp.dll. The locks, the
// thread slot and the module instance live from load to unload; what the first WSPStartup
// builds (the private heap, the chains and their next providers, the saved start-up data) lives
// until the last WSPCleanup or the unload, and goes in one tear-down (FreeSocketsAndMemory).
#pragma once

#include <winsock2.h>
#include <windows.h>
#include <ws2spi.h>

#include <atomic>

#include "win/CriticalSection.h"
#include "win/TlsSlot.h"
#include "win/UniqueHandle.h"

struct ProviderInfo;

inline constexpr SIZE_T kProviderHeapInitialSize = 128000;

// Start-up, clean-up, the socket lists and the creation of the worker window.
extern CCriticalSection gStartupLock;
// The overlapped manager's pool, queue and threads, and the socket records' operation counts.
extern CCriticalSection gOverlappedLock;
// The chain whose next provider this thread is calling (see CCallProviderScope).
extern CTlsSlot gCallProviderSlot;
// Set at unload: WSPCleanup does nothing from then on.
extern std::atomic<bool> gDetaching;
extern HINSTANCE gModuleInstance;

extern LONG gEntryCount;
extern CHeap gProviderHeap;
extern ProviderInfo* gBaseInfo;  // gProviderCount records on gProviderHeap
extern BYTE gProviderCount;
extern DWORD gLayerEntryId;
extern WSPUPCALLTABLE gUpcalls;
extern WSPDATA gSavedWSPData;
extern WSPPROC_TABLE gSavedProcTable;
