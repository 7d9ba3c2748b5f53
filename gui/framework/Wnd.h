// A window of the program: the handle it names, and, for windows the program draws or
// handles itself, its messages routed through a virtual WindowProc.
#pragma once

#include <windows.h>

#include <string>

class CWnd {
public:
    CWnd() = default;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;
    virtual ~CWnd();

    HWND GetSafeHwnd() const noexcept { return m_hWnd; }

    // Names a window without seeing its messages (plain controls).
    void Attach(HWND hWnd) noexcept { m_hWnd = hWnd; }
    // Routes the window's messages through WindowProc; what it passes on reaches the
    // window's own procedure. Undone when the window is destroyed or the object goes.
    bool SubclassWindow(HWND hWnd);
    bool SubclassDlgItem(int nId, const CWnd& parent) {
        return SubclassWindow(::GetDlgItem(parent.m_hWnd, nId));
    }
    // How field exchange binds a control object to a dialog item: plain controls only name
    // it, controls that draw themselves subclass it.
    virtual void AttachDlgItem(int nId, const CWnd& parent) {
        Attach(::GetDlgItem(parent.m_hWnd, nId));
    }
    // The object routing hWnd's messages, if any.
    static CWnd* FromHandlePermanent(HWND hWnd) noexcept;

    HWND GetDlgItem(int nId) const noexcept { return ::GetDlgItem(m_hWnd, nId); }
    int GetDlgCtrlID() const noexcept { return ::GetDlgCtrlID(m_hWnd); }
    HWND GetParent() const noexcept { return ::GetParent(m_hWnd); }

    void SetWindowText(const std::string& strText) { ::SetWindowTextA(m_hWnd, strText.c_str()); }
    std::string GetWindowText() const;

    void ShowWindow(int nCmdShow) noexcept { ::ShowWindow(m_hWnd, nCmdShow); }
    bool IsWindowVisible() const noexcept { return ::IsWindowVisible(m_hWnd) != FALSE; }
    void EnableWindow(bool bEnable) noexcept { ::EnableWindow(m_hWnd, bEnable ? TRUE : FALSE); }
    bool IsWindowEnabled() const noexcept { return ::IsWindowEnabled(m_hWnd) != FALSE; }
    void SetFocus() noexcept { ::SetFocus(m_hWnd); }
    void MoveWindow(int x, int y, int cx, int cy, bool bRepaint = true) noexcept {
        ::MoveWindow(m_hWnd, x, y, cx, cy, bRepaint ? TRUE : FALSE);
    }
    void MoveWindow(const RECT& rect, bool bRepaint = true) noexcept {
        MoveWindow(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, bRepaint);
    }
    // The window's rectangle in its parent's client coordinates (screen ones for a top-level
    // window).
    RECT GetRectInParent() const noexcept;
    RECT GetClientRect() const noexcept;
    RECT GetWindowRect() const noexcept;
    void Invalidate(bool bErase = true) noexcept {
        ::InvalidateRect(m_hWnd, nullptr, bErase ? TRUE : FALSE);
    }
    void UpdateWindow() noexcept { ::UpdateWindow(m_hWnd); }
    void SetIcon(HICON hIcon, bool bBig) noexcept {
        ::SendMessageA(m_hWnd, WM_SETICON, bBig ? ICON_BIG : ICON_SMALL,
                       reinterpret_cast<LPARAM>(hIcon));
    }
    void CenterWindow() noexcept;
    LRESULT SendMessage(UINT uMsg, WPARAM wParam = 0, LPARAM lParam = 0) const noexcept {
        return ::SendMessageA(m_hWnd, uMsg, wParam, lParam);
    }
    void PostMessage(UINT uMsg, WPARAM wParam = 0, LPARAM lParam = 0) const noexcept {
        ::PostMessageA(m_hWnd, uMsg, wParam, lParam);
    }

    // A message box owned by this window, its text from the string table.
    int MessageBoxById(UINT nIdPrompt, UINT nType) const;
    int MessageBox(const std::string& strText, UINT nType, const char* szCaption = nullptr) const;

    // A notification the parent reflects to the control it concerns (owner drawing, control
    // colours, commands and notifications of the control). True when handled.
    virtual bool OnChildNotify(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult);

protected:
    // Every message of a subclassed window; the default passes it on.
    virtual LRESULT WindowProc(UINT uMsg, WPARAM wParam, LPARAM lParam);
    // The window's own procedure.
    LRESULT Default(UINT uMsg, WPARAM wParam, LPARAM lParam);
    // Called once the window is gone (after its last message); the object may be reused.
    virtual void PostNcDestroy() {}

    HWND m_hWnd = nullptr;

private:
    static LRESULT CALLBACK SubclassProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
    void Unsubclass() noexcept;

    WNDPROC m_pfnSuper = nullptr;
};

// Offers a parent's message to the child control object it concerns. True when the child
// handled it.
bool ReflectToChild(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult);
