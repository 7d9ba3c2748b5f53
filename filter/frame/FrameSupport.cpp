// Process globals of the frame and the small helpers every entry point uses.
#include <atomic>
#include <cstdarg>
#include <cstdio>

#include "filter/core/portable/IFilterLog.h"
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

namespace {

// The process's frame log: records without time stamps, named at module attach. Built by the
// runtime before DllMain runs and destroyed after it has returned from detach.
CLogFile gFrameLog(0);

// The same log, for the filter's judgement.
class CProcessLogSink : public IFilterLog {
public:
    bool Enabled(signed char iLevel) const override { return gFrameLog.Enabled(iLevel); }
    void Write(const std::string& strText, signed char iLevel) override {
        gFrameLog.Write(strText.c_str(), iLevel);
    }
};

CProcessLogSink gProcessLogSink;

}  // namespace

CLogFile& FrameLog() {
    return gFrameLog;
}

IFilterLog& ProcessFilterLog() {
    return gProcessLogSink;
}

// Whether anyone reads debugger output: an attached debugger, or a monitor that has made the
// system's debug-output buffer (looked up at most once a second). Formatting and raising the
// output for nobody costs more than a whole forwarded call.
bool DebugOutputWanted() noexcept {
    if (::IsDebuggerPresent()) {
        return true;
    }
    static std::atomic<ULONGLONG> s_uNextLook{0};
    static std::atomic<bool> s_bMonitor{false};
    const ULONGLONG uNow = ::GetTickCount64();
    if (uNow >= s_uNextLook.load(std::memory_order_relaxed)) {
        HANDLE hBuffer = ::OpenFileMappingA(FILE_MAP_READ, FALSE, "DBWIN_BUFFER");
        s_bMonitor.store(hBuffer != nullptr, std::memory_order_relaxed);
        if (hBuffer != nullptr) {
            ::CloseHandle(hBuffer);
        }
        s_uNextLook.store(uNow + 1000, std::memory_order_relaxed);
    }
    return s_bMonitor.load(std::memory_order_relaxed);
}

void DebugOut(const char* szFormat, ...) noexcept {
    if (!DebugOutputWanted()) {
        return;
    }
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
