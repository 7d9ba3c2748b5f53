// A next provider that misbehaves at start-up as the environment variable FAKE_PROVIDER_MODE
// says: "fail" returns WSAENETDOWN with a full table, "holes" succeeds with an incomplete one,
// "watch" succeeds, and its WSPCleanup sets the event "pc_fake_provider_cleanup".
#include <winsock2.h>
#include <windows.h>
#include <ws2spi.h>

#include <cstring>

namespace {

// SOCKET_ERROR for entries that return an int, INVALID_SOCKET for those that return a socket.
INT_PTR WSPAPI Unused() {
    return -1;
}

int WSPAPI WatchedCleanup(LPINT) {
    const HANDLE hEvent = ::OpenEventA(EVENT_MODIFY_STATE, FALSE, "pc_fake_provider_cleanup");
    if (hEvent != nullptr) {
        ::SetEvent(hEvent);
        ::CloseHandle(hEvent);
    }
    return 0;
}

}  // namespace

extern "C" int WSPAPI WSPStartup(WORD, LPWSPDATA lpWSPData, LPWSAPROTOCOL_INFOW, WSPUPCALLTABLE,
                                 LPWSPPROC_TABLE lpProcTable) {
    char szMode[16] = {};
    ::GetEnvironmentVariableA("FAKE_PROVIDER_MODE", szMode, sizeof szMode);
    auto** ppEntries = reinterpret_cast<void**>(lpProcTable);
    for (size_t i = 0; i < sizeof(WSPPROC_TABLE) / sizeof(void*); ++i) {
        ppEntries[i] = reinterpret_cast<void*>(&Unused);
    }
    lpWSPData->wVersion = MAKEWORD(2, 2);
    lpWSPData->wHighVersion = MAKEWORD(2, 2);
    if (std::strcmp(szMode, "watch") == 0) {
        lpProcTable->lpWSPCleanup = WatchedCleanup;
    }
    if (std::strcmp(szMode, "holes") == 0) {
        lpProcTable->lpWSPSelect = nullptr;
        return 0;
    }
    return std::strcmp(szMode, "fail") == 0 ? WSAENETDOWN : 0;
}
