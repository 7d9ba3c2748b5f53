// Process globals of the frame and the small helpers every entry point uses.
#include <cstdarg>
#include <cstdio>

#include "filter/frame/Frame.h"

LONG gEntryCount = 0;
ProviderInfo* gBaseInfo = nullptr;
BYTE gProviderCount = 0;
DWORD gLayerEntryId = 0;
WSPUPCALLTABLE gUpcalls = {};
WSPDATA gSavedWSPData = {};
WSPPROC_TABLE gSavedProcTable = {};
CRITICAL_SECTION gStartupLock;
CRITICAL_SECTION gOverlappedLock;
DWORD gCallProviderSlot = TLS_OUT_OF_INDEXES;
volatile LONG gDetaching = 0;
HINSTANCE gModuleInstance = nullptr;
HANDLE gProviderHeap = nullptr;
LPFN_TRANSMITFILE lpfnProviderTransmitFile = nullptr;
LPFN_ACCEPTEX lpfnProviderAcceptEx = nullptr;

CLogFile& FrameLog() {
    // Built on first use (module attach), never destroyed: clean-up at process detach may
    // still write to it.
    static auto* s_pLog = new CLogFile(1);
    return *s_pLog;
}

void DebugOut(const char* szFormat, ...) noexcept {
    char szText[1024];
    va_list args;
    va_start(args, szFormat);
    std::vsnprintf(szText, sizeof szText, szFormat, args);
    va_end(args);
    ::OutputDebugStringA(szText);
}

void LogFormat(signed char iLevel, const char* szFormat, ...) noexcept {
    char szText[1024];
    va_list args;
    va_start(args, szFormat);
    std::vsnprintf(szText, sizeof szText, szFormat, args);
    va_end(args);
    try {
        FrameLog().Write(szText, iLevel);
    } catch (...) {
    }
}

void LogException(const char* szWhat) noexcept {
    char szText[300];
    std::snprintf(szText, sizeof szText,
                  "XXXXXX Exception XXXXXX\n%.254s\nXXXXXXXXXXXXXXXXXXXXXXX\n", szWhat);
    try {
        FrameLog().Write(szText, 1);
    } catch (...) {
    }
}

CCallProviderScope::CCallProviderScope(ProviderInfo* pProvider) noexcept {
    if (gCallProviderSlot != TLS_OUT_OF_INDEXES) {
        ::TlsSetValue(gCallProviderSlot, pProvider);
    }
}

CCallProviderScope::~CCallProviderScope() {
    if (gCallProviderSlot != TLS_OUT_OF_INDEXES) {
        ::TlsSetValue(gCallProviderSlot, nullptr);
    }
}

SocketInfo* QuerySocketInfo(SOCKET s, const char* szFailFormat, LPINT lpErrno) noexcept {
    DWORD_PTR context = 0;
    if (gUpcalls.lpWPUQuerySocketHandleContext == nullptr ||
        gUpcalls.lpWPUQuerySocketHandleContext(s, &context, lpErrno) == SOCKET_ERROR) {
        if (gUpcalls.lpWPUQuerySocketHandleContext == nullptr) {
            *lpErrno = WSAENOTSOCK;
        }
        if (szFailFormat != nullptr) {
            DebugOut(szFailFormat, *lpErrno);
        }
        return nullptr;
    }
    return reinterpret_cast<SocketInfo*>(context);
}
