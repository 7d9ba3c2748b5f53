// WSPSelect: the application's three sets become sets of next-provider sockets, and the
// answer is turned back into application handles.
#include "filter/frame/CallProviderScope.h"
#include "filter/frame/Entries.h"
#include "filter/frame/EntryGuard.h"
#include "filter/frame/ProcessState.h"
#include "filter/frame/ProviderInfo.h"
#include "filter/frame/SocketInfo.h"

namespace {

constexpr u_int kMaxSetSize = FD_SETSIZE;

struct HandlePair {
    SOCKET application;
    SOCKET provider;
};

struct SetTranslation {
    fd_set* callers = nullptr;
    fd_set provider{};
    HandlePair pairs[kMaxSetSize] = {};
    u_int nPairs = 0;
};

void AddOnce(fd_set& set, SOCKET s) {
    for (u_int i = 0; i < set.fd_count; ++i) {
        if (set.fd_array[i] == s) {
            return;
        }
    }
    if (set.fd_count < kMaxSetSize) {
        set.fd_array[set.fd_count++] = s;
    }
}

// False with *lpErrno set when the set is too large or names a socket without a record.
bool Translate(fd_set* pCallers, const CQueryFailureText& failure, SetTranslation& out,
               ProviderInfo** ppLast, LPINT lpErrno) {
    out.callers = pCallers;
    if (pCallers == nullptr) {
        return true;
    }
    if (pCallers->fd_count > kMaxSetSize) {
        *lpErrno = WSAENOBUFS;
        return false;
    }
    for (u_int i = 0; i < pCallers->fd_count; ++i) {
        SocketInfo* pInfo = QuerySocketInfo(pCallers->fd_array[i], failure, lpErrno);
        if (pInfo == nullptr) {
            *lpErrno = WSAENOTSOCK;
            return false;
        }
        *ppLast = pInfo->Provider;
        out.pairs[out.nPairs++] = {pCallers->fd_array[i], pInfo->ProviderSocket};
        AddOnce(out.provider, pInfo->ProviderSocket);
    }
    return true;
}

void TranslateBack(SetTranslation& set, int& nToFind) {
    if (set.callers == nullptr) {
        return;
    }
    set.callers->fd_count = 0;
    for (u_int i = 0; i < set.nPairs && nToFind > 0; ++i) {
        if (gUpcalls.lpWPUFDIsSet(set.pairs[i].provider, &set.provider) == 0) {
            continue;
        }
        const u_int nBefore = set.callers->fd_count;
        AddOnce(*set.callers, set.pairs[i].application);
        if (set.callers->fd_count != nBefore) {
            --nToFind;
        }
    }
}

}  // namespace

int WSPAPI WSPSelect(int nfds, fd_set* readfds, fd_set* writefds, fd_set* exceptfds,
                     const PTIMEVAL timeout, LPINT lpErrno) {
    return GuardEntry(lpErrno, SOCKET_ERROR, [&]() -> int {
        // About 1.5 KB each, on the stack: bounded, and no allocation per call.
        SetTranslation sets[3];
        ProviderInfo* pLast = nullptr;
        if (!Translate(readfds, {"WSPSelect(1): WPUQuerySocketHandleContext() failed: ", "\n"},
                       sets[0], &pLast, lpErrno) ||
            !Translate(writefds, {"WSPSelect(2): WPUQuerySocketHandleContext() failed: "}, sets[1],
                       &pLast, lpErrno) ||
            !Translate(exceptfds, {"WSPSelect(3): WPUQuerySocketHandleContext() failed: "}, sets[2],
                       &pLast, lpErrno)) {
            return SOCKET_ERROR;
        }
        if (pLast == nullptr) {
            // No socket named at all: as the system's select answers.
            *lpErrno = WSAEINVAL;
            return SOCKET_ERROR;
        }
        int iResult = 0;
        {
            const CCallProviderScope slot(pLast);
            iResult = pLast->NextProcTable.lpWSPSelect(
                nfds, readfds != nullptr ? &sets[0].provider : nullptr,
                writefds != nullptr ? &sets[1].provider : nullptr,
                exceptfds != nullptr ? &sets[2].provider : nullptr, timeout, lpErrno);
        }
        if (iResult == SOCKET_ERROR) {
            return iResult;
        }
        int nToFind = iResult;
        for (SetTranslation& set : sets) {
            TranslateBack(set, nToFind);
        }
        return iResult;
    });
}
