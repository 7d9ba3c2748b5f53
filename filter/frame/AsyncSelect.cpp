// WSPAsyncSelect: the next provider notifies the frame's worker window, which turns each
// notice back into the application's message for the application's handle.
#include "filter/frame/CallProviderScope.h"
#include "filter/frame/Entries.h"
#include "filter/frame/EntryGuard.h"
#include "filter/frame/ProviderInfo.h"
#include "filter/frame/SocketInfo.h"
#include "filter/frame/WorkerWindow.h"

namespace {

constexpr long kEventBits = (1 << 10) - 1;

}  // namespace

int WSPAPI WSPAsyncSelect(SOCKET s, HWND hWnd, unsigned int wMsg, long lEvent, LPINT lpErrno) {
    return GuardEntry(lpErrno, SOCKET_ERROR, [&]() -> int {
        if (!::IsWindow(hWnd) || (lEvent & ~kEventBits) != 0) {
            *lpErrno = WSAEINVAL;
            return SOCKET_ERROR;
        }
        SocketInfo* pInfo =
            QuerySocketInfo(s, {"WSPAsyncSelect: WPUQuerySocketHandleContext() failed: "}, lpErrno);
        if (pInfo == nullptr) {
            *lpErrno = WSAENOTSOCK;
            return SOCKET_ERROR;
        }
        pInfo->Window = hWnd;
        pInfo->Message = wMsg;
        HWND hWorker = GetWorkerWindow();
        if (hWorker == nullptr) {
            *lpErrno = WSAEINVAL;
            return SOCKET_ERROR;
        }
        const CCallProviderScope slot(pInfo->Provider);
        return pInfo->Provider->NextProcTable.lpWSPAsyncSelect(pInfo->ProviderSocket, hWorker,
                                                               kNoticeMessage, lEvent, lpErrno);
    });
}
