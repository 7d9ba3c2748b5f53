#include "filter/frame/WorkerWindow.h"

#include <winsock2.h>
#include <ws2spi.h>

#include <atomic>

#include "filter/frame/ProcessState.h"
#include "filter/frame/SocketInfo.h"
#include "filter/frame/Trace.h"
#include "win/UniqueHandle.h"

namespace {

constexpr char kClassName[] = "Layered WS2 Provider";
constexpr char kWindowName[] = "Layered Hidden Window";
constexpr DWORD kStopWaitMs = 5000;

// The worker's thread, the event it sets once its window exists (or it has given up), and the
// window. Thread and event change only under gStartupLock (and at clean-up, when no select
// runs); the window is read without it.
struct WorkerState {
    CHandle Thread;
    CHandle Ready;
    std::atomic<HWND> Window{nullptr};
};

WorkerState gWorker;

LRESULT CALLBACK WorkerWindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    if (uMsg == kNoticeMessage) {
        if (SocketInfo* pInfo = FindSocketInfo(nullptr, static_cast<SOCKET>(wParam))) {
            gUpcalls.lpWPUPostMessage(pInfo->Window, pInfo->Message, pInfo->LayeredSocket, lParam);
            return 0;
        }
    }
    return ::DefWindowProcA(hWnd, uMsg, wParam, lParam);
}

HWND MakeWindow() {
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
        return nullptr;
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
    }
    return hWnd;
}

DWORD WINAPI AsynMsgHandler(LPVOID lpReady) {
    HWND hWnd = MakeWindow();
    gWorker.Window.store(hWnd);
    ::SetEvent(static_cast<HANDLE>(lpReady));
    if (hWnd == nullptr) {
        return 0;
    }
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
    if (HWND hWnd = gWorker.Window.load()) {
        return hWnd;
    }
    const CCriticalSectionLock lock(gStartupLock);
    if (gWorker.Thread) {
        return gWorker.Window.load();
    }
    gWorker.Ready.Reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (gWorker.Ready) {
        gWorker.Thread.Reset(
            ::CreateThread(nullptr, 0, AsynMsgHandler, gWorker.Ready.Get(), 0, nullptr));
    }
    if (!gWorker.Thread) {
        DebugOut("GetWorkerWindow: CreateThread failed\r\n");
        return nullptr;
    }
    // The thread sets the event once its window exists, or once it has given up on it; its
    // end counts as giving up too.
    const HANDLE waits[] = {gWorker.Ready.Get(), gWorker.Thread.Get()};
    ::WaitForMultipleObjects(2, waits, FALSE, INFINITE);
    return gWorker.Window.load();
}

void StopWorkerWindow() {
    HWND hWnd = gWorker.Window.exchange(nullptr);
    if (hWnd == nullptr) {
        return;
    }
    // The window belongs to the worker thread, which alone may destroy it; ending its loop
    // does that (the thread's windows go with it).
    ::PostMessageA(hWnd, WM_QUIT, 0, 0);
    const bool bEnded = ::WaitForSingleObject(gWorker.Thread.Get(), kStopWaitMs) == WAIT_OBJECT_0;
    gWorker.Thread.Reset();
    gWorker.Ready.Reset();
    // A class outlives the module that registered it; a later load at another address must
    // not find this one's window procedure.
    if (bEnded) {
        ::UnregisterClassA(kClassName, gModuleInstance);
    }
}
