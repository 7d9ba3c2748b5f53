// A next provider over wsbase.dll whose overlapped send-to, once armed, returns late: its first
// request ("A") is issued to the base provider at once, so that its completion can reach the
// frame's port, but the call reports WSA_IO_PENDING only when the next request that comes with
// the same record ("B") has written its own failure and is about to return. The order is that
// of a provider whose call returns after a manager thread has completed its request and the
// frame's pool has handed the record on.
#include <winsock2.h>
#include <windows.h>
#include <ws2spi.h>

#include <atomic>
#include <string>

namespace {

constexpr DWORD kStepWaitMs = 10000;

WSPPROC_TABLE g_base{};
std::atomic<int> g_stage{0};  // 0 disarmed, 1 waiting for A, 2 A returning late
std::atomic<LPWSAOVERLAPPED> g_lpOverlappedA{nullptr};
std::atomic<bool> g_bMatched{false};
HANDLE g_hBWrote = nullptr;
HANDLE g_hAWrote = nullptr;

std::wstring OwnFolder() {
    HMODULE hSelf = nullptr;
    ::GetModuleHandleExW(
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        reinterpret_cast<LPCWSTR>(&OwnFolder), &hSelf);
    wchar_t szPath[MAX_PATH] = {};
    ::GetModuleFileNameW(hSelf, szPath, MAX_PATH);
    std::wstring path = szPath;
    return path.substr(0, path.find_last_of(L"\\/") + 1);
}

int WSPAPI LateSendTo(SOCKET s, LPWSABUF lpBuffers, DWORD dwBufferCount,
                      LPDWORD lpNumberOfBytesSent, DWORD dwFlags, const sockaddr* lpTo, int iTolen,
                      LPWSAOVERLAPPED lpOverlapped,
                      LPWSAOVERLAPPED_COMPLETION_ROUTINE lpCompletionRoutine,
                      LPWSATHREADID lpThreadId, LPINT lpErrno) {
    int iExpected = 1;
    if (lpOverlapped != nullptr && g_stage.compare_exchange_strong(iExpected, 2)) {
        g_lpOverlappedA = lpOverlapped;
        int iError = 0;
        DWORD dwSent = 0;
        if (g_base.lpWSPSendTo(s, lpBuffers, dwBufferCount, &dwSent, dwFlags, lpTo, iTolen,
                               lpOverlapped, lpCompletionRoutine, lpThreadId,
                               &iError) == SOCKET_ERROR &&
            iError != WSA_IO_PENDING) {
            g_stage = 0;
            *lpErrno = iError;
            return SOCKET_ERROR;
        }
        ::WaitForSingleObject(g_hBWrote, kStepWaitMs);
        *lpErrno = WSA_IO_PENDING;
        ::SetEvent(g_hAWrote);
        return SOCKET_ERROR;
    }
    if (lpOverlapped != nullptr && g_stage == 2 && lpOverlapped == g_lpOverlappedA) {
        g_bMatched = true;
        g_stage = 0;
        *lpErrno = WSAENETUNREACH;
        ::SetEvent(g_hBWrote);
        ::WaitForSingleObject(g_hAWrote, kStepWaitMs);
        return SOCKET_ERROR;
    }
    return g_base.lpWSPSendTo(s, lpBuffers, dwBufferCount, lpNumberOfBytesSent, dwFlags, lpTo,
                              iTolen, lpOverlapped, lpCompletionRoutine, lpThreadId, lpErrno);
}

}  // namespace

extern "C" {

int WSPAPI WSPStartup(WORD wVersionRequested, LPWSPDATA lpWSPData,
                      LPWSAPROTOCOL_INFOW lpProtocolInfo, WSPUPCALLTABLE upcalls,
                      LPWSPPROC_TABLE lpProcTable) {
    static const HMODULE s_hBase = ::LoadLibraryW((OwnFolder() + L"wsbase.dll").c_str());
    auto pfnStartup = reinterpret_cast<LPWSPSTARTUP>(
        reinterpret_cast<void*>(::GetProcAddress(s_hBase, "WSPStartup")));
    if (pfnStartup == nullptr) {
        return WSAEPROVIDERFAILEDINIT;
    }
    const int iResult =
        pfnStartup(wVersionRequested, lpWSPData, lpProtocolInfo, upcalls, lpProcTable);
    if (iResult == 0) {
        g_base = *lpProcTable;
        lpProcTable->lpWSPSendTo = LateSendTo;
    }
    return iResult;
}

// The next overlapped send-to becomes A.
void LateProviderArm() {
    g_hBWrote = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
    g_hAWrote = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
    g_bMatched = false;
    g_stage = 1;
}

// A's record has gone back to the pool, which zero-fills it: the byte count the base provider
// wrote at A's completion is gone.
BOOL LateProviderRecordReleased() {
    LPWSAOVERLAPPED lpOverlapped = g_lpOverlappedA;
    return lpOverlapped != nullptr &&
           reinterpret_cast<volatile ULONG_PTR&>(lpOverlapped->InternalHigh) == 0;
}

// Whether a request with A's record came while A was still returning.
BOOL LateProviderMatched() {
    return g_bMatched ? TRUE : FALSE;
}

}  // extern "C"
