// A plain top-level window for in-process tests of controls, and a pump for the test
// thread's messages.
#pragma once

#include <windows.h>

#include "win/UniqueHandle.h"

inline void PumpMessages() {
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
}

class CHostWindow {
public:
    CHostWindow(int cx, int cy) {
        static const ATOM s_class = [] {
            WNDCLASSA windowClass = {};
            windowClass.lpfnWndProc = &::DefWindowProcA;
            windowClass.hInstance = ::GetModuleHandleA(nullptr);
            windowClass.hbrBackground = ::GetSysColorBrush(COLOR_BTNFACE);
            windowClass.lpszClassName = "QuillonTestHost";
            return ::RegisterClassA(&windowClass);
        }();
        (void)s_class;
        RECT rect = {0, 0, cx, cy};
        ::AdjustWindowRect(&rect, WS_OVERLAPPED | WS_CAPTION, FALSE);
        m_window.Reset(::CreateWindowExA(0, "QuillonTestHost", "Test", WS_OVERLAPPED | WS_CAPTION,
                                         100, 100, rect.right - rect.left, rect.bottom - rect.top,
                                         nullptr, nullptr, ::GetModuleHandleA(nullptr), nullptr));
    }

    HWND Get() const { return m_window.Get(); }
    void Show() const {
        ::ShowWindow(m_window.Get(), SW_SHOWNOACTIVATE);
        ::UpdateWindow(m_window.Get());
        PumpMessages();
    }

private:
    CWindow m_window;
};
