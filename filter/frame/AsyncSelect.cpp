// Asynchronous selects: the next provider notifies a hidden window of the frame's own, on a
// thread of its own, which turns each notice back into the application's message for the
// application's handle.
#include "filter/frame/Entries.h"
#include "filter/frame/Forward.h"

namespace {

constexpr UINT kNoticeMessage = WM_USER + 1;
constexpr char kClassName[] = "Layered WS2 Provider";
constexpr char kWindowName[] = "Layered Hidden Window";
constexpr long kEventBits = (1 << 10) - 1;

HANDLE gWorkerThread = nullptr;
HWND volatile gWorkerWindow = nullptr;

LRESULT CALLBACK WorkerWindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    if (uMsg == kNoticeMessage) {
        if (SocketInfo* pInfo = FindSocketInfo(nullptr, static_cast<SOCKET>(wParam))) {
            gUpcalls.lpWPUPostMessage(pInfo->Window, pInfo->Message, pInfo->LayeredSocket, lParam);
            return 0;
        }
    }
    return ::DefWindowProcA(hWnd, uMsg, wParam, lParam);
}

DWORD WINAPI AsynMsgHandler(LPVOID) {
    WNDCLASSA wc = {};
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = WorkerWindowProc;
    wc.hInstance = gModuleInstance;
    wc.hIcon = ::LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
    wc.hCursor = ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground = static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = kClassName;
    if (::RegisterClassA(&wc) == 0 && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        DebugOut("AsynMsgHandler: RegistrClass failed\r\n");
        return 0;
    }
    HWND hWnd =
        ::CreateWindowA(kClassName, kWindowName, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, gModuleInstance, nullptr);
    if (hWnd == nullptr) {
        // Where no desktop accepts top-level windows (a service, or no display), a
        // message-only window receives the notices just as well.
        hWnd = ::CreateWindowA(kClassName, kWindowName, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                               gModuleInstance, nullptr);
    }
    if (hWnd == nullptr) {
        DebugOut("AsyncMessageHandler: CreateWindow failed\r\n");
        return 0;
    }
    gWorkerWindow = hWnd;
    MSG msg;
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
    DebugOut("AsyncMessageHandler: GetMessage returned -1, exiting loop\r\n");
    return 0;
}

}  // namespace

HWND GetWorkerWindow() {
    if (gWorkerThread != nullptr) {
        return gWorkerWindow;
    }
    ::EnterCriticalSection(&gStartupLock);
    if (gWorkerThread == nullptr) {
        gWorkerThread = ::CreateThread(nullptr, 0, AsynMsgHandler, nullptr, 0, nullptr);
        if (gWorkerThread == nullptr) {
            DebugOut("GetWorkerWindow: CreateThread failed\r\n");
        } else {
            // A thread that fails to make its window ends; stop waiting then.
            while (gWorkerWindow == nullptr &&
                   ::WaitForSingleObject(gWorkerThread, 0) == WAIT_TIMEOUT) {
                ::SleepEx(0, TRUE);
            }
        }
    }
    ::LeaveCriticalSection(&gStartupLock);
    return gWorkerWindow;
}

void StopWorkerWindow() {
    if (gWorkerWindow == nullptr) {
        return;
    }
    // The window belongs to the worker thread, which alone may destroy it; ending its loop
    // does that (the thread's windows go with it).
    ::PostMessageA(gWorkerWindow, WM_QUIT, 0, 0);
    const bool bEnded = ::WaitForSingleObject(gWorkerThread, 5000) == WAIT_OBJECT_0;
    gWorkerWindow = nullptr;
    ::CloseHandle(gWorkerThread);
    gWorkerThread = nullptr;
    // A class outlives the module that registered it; a later load at another address must
    // not find this one's window procedure.
    if (bEnded) {
        ::UnregisterClassA(kClassName, gModuleInstance);
    }
}

int WSPAPI WSPAsyncSelect(SOCKET s, HWND hWnd, unsigned int wMsg, long lEvent, LPINT lpErrno) {
    return GuardEntry(lpErrno, SOCKET_ERROR, [&]() -> int {
        if (!::IsWindow(hWnd) || (lEvent & ~kEventBits) != 0) {
            *lpErrno = WSAEINVAL;
            return SOCKET_ERROR;
        }
        SocketInfo* pInfo = QuerySocketInfo(
            s, "WSPAsyncSelect: WPUQuerySocketHandleContext() failed: %d\r\n", lpErrno);
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
