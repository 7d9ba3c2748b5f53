#include "filter/frame/ProcessState.h"

#include "filter/frame/ExtensionFunctions.h"

CCriticalSection gStartupLock;
CCriticalSection gOverlappedLock;
CTlsSlot gCallProviderSlot;
std::atomic<bool> gDetaching{false};
HINSTANCE gModuleInstance = nullptr;

LONG gEntryCount = 0;
CHeap gProviderHeap;
ProviderInfo* gBaseInfo = nullptr;
BYTE gProviderCount = 0;
DWORD gLayerEntryId = 0;
WSPUPCALLTABLE gUpcalls = {};
WSPDATA gSavedWSPData = {};
WSPPROC_TABLE gSavedProcTable = {};

LPFN_TRANSMITFILE lpfnProviderTransmitFile = nullptr;
LPFN_ACCEPTEX lpfnProviderAcceptEx = nullptr;
