#include "gui/framework/Wnd.h"

#include <exception>
#include <vector>

#include "gui/framework/MessageBox.h"
#include "gui/framework/WinApp.h"

namespace {

// The window property that names the object routing a window's messages.
constexpr char kObjectProperty[] = "QuillonWndObject";

}  // namespace

CWnd::~CWnd() {
    Unsubclass();
}

bool CWnd::SubclassWindow(HWND hWnd) {
    if (hWnd == nullptr || m_pfnSuper != nullptr || FromHandlePermanent(hWnd) != nullptr) {
        return false;
    }
    m_hWnd = hWnd;
    ::SetPropA(hWnd, kObjectProperty, this);
    m_pfnSuper = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SubclassProc)));
    return true;
}

void CWnd::Unsubclass() noexcept {
    if (m_pfnSuper == nullptr) {
        return;
    }
    if (::IsWindow(m_hWnd)) {
        ::SetWindowLongPtrA(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
        ::RemovePropA(m_hWnd, kObjectProperty);
    }
    m_pfnSuper = nullptr;
}

CWnd* CWnd::FromHandlePermanent(HWND hWnd) noexcept {
    return hWnd != nullptr ? static_cast<CWnd*>(::GetPropA(hWnd, kObjectProperty)) : nullptr;
}

LRESULT CALLBACK CWnd::SubclassProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    CWnd* pWnd = FromHandlePermanent(hWnd);
    if (pWnd == nullptr) {
        return ::DefWindowProcA(hWnd, uMsg, wParam, lParam);
    }
    if (uMsg == WM_NCDESTROY) {
        const WNDPROC pfnSuper = pWnd->m_pfnSuper;
        pWnd->Unsubclass();
        const LRESULT lResult = ::CallWindowProcA(pfnSuper, hWnd, uMsg, wParam, lParam);
        pWnd->m_hWnd = nullptr;
        pWnd->PostNcDestroy();
        return lResult;
    }
    // No exception leaves a window procedure: the system that called it cannot unwind.
    try {
        return pWnd->WindowProc(uMsg, wParam, lParam);
    } catch (const std::exception& e) {
        ReportUnhandledException(e.what());
    } catch (...) {
        ReportUnhandledException("unknown exception");
    }
    return pWnd->Default(uMsg, wParam, lParam);
}

LRESULT CWnd::WindowProc(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    return Default(uMsg, wParam, lParam);
}

LRESULT CWnd::Default(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    if (m_pfnSuper == nullptr) {
        return ::DefWindowProcA(m_hWnd, uMsg, wParam, lParam);
    }
    return ::CallWindowProcA(m_pfnSuper, m_hWnd, uMsg, wParam, lParam);
}

bool CWnd::OnChildNotify(UINT, WPARAM, LPARAM, LRESULT&) {
    return false;
}

std::string CWnd::GetWindowText() const {
    const int nLength = ::GetWindowTextLengthA(m_hWnd);
    std::vector<char> text(static_cast<size_t>(nLength > 0 ? nLength : 0) + 1, '\0');
    const int nCopied = ::GetWindowTextA(m_hWnd, text.data(), static_cast<int>(text.size()));
    return std::string(text.data(), static_cast<size_t>(nCopied > 0 ? nCopied : 0));
}

RECT CWnd::GetRectInParent() const noexcept {
    RECT rect = GetWindowRect();
    if (const HWND hParent = ::GetParent(m_hWnd);
        hParent != nullptr && (::GetWindowLongA(m_hWnd, GWL_STYLE) & WS_CHILD) != 0) {
        ::MapWindowPoints(nullptr, hParent, reinterpret_cast<POINT*>(&rect), 2);
    }
    return rect;
}

RECT CWnd::GetClientRect() const noexcept {
    RECT rect = {};
    ::GetClientRect(m_hWnd, &rect);
    return rect;
}

RECT CWnd::GetWindowRect() const noexcept {
    RECT rect = {};
    ::GetWindowRect(m_hWnd, &rect);
    return rect;
}

void CWnd::CenterWindow() noexcept {
    RECT area = {};
    const HWND hOwner = ::GetWindow(m_hWnd, GW_OWNER);
    if (hOwner != nullptr && ::IsWindowVisible(hOwner)) {
        ::GetWindowRect(hOwner, &area);
    } else {
        ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    }
    const RECT rect = GetWindowRect();
    const int cx = rect.right - rect.left;
    const int cy = rect.bottom - rect.top;
    const int x = area.left + (area.right - area.left - cx) / 2;
    const int y = area.top + (area.bottom - area.top - cy) / 2;
    ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

int CWnd::MessageBoxById(UINT nIdPrompt, UINT nType) const {
    return ShowMessageBox(m_hWnd, LoadResourceString(nIdPrompt), nType);
}

int CWnd::MessageBox(const std::string& strText, UINT nType, const char* szCaption) const {
    return ShowMessageBox(m_hWnd, strText, nType, szCaption);
}

bool ReflectToChild(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult) {
    HWND hChild = nullptr;
    switch (uMsg) {
        case WM_COMMAND:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_VSCROLL:
        case WM_HSCROLL:
            hChild = reinterpret_cast<HWND>(lParam);
            break;
        case WM_NOTIFY:
            hChild = reinterpret_cast<const NMHDR*>(lParam)->hwndFrom;
            break;
        case WM_DRAWITEM: {
            const auto* pItem = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
            hChild = pItem->CtlType == ODT_MENU ? nullptr : pItem->hwndItem;
            break;
        }
        default:
            return false;
    }
    CWnd* pChild = CWnd::FromHandlePermanent(hChild);
    return pChild != nullptr && pChild->OnChildNotify(uMsg, wParam, lParam, lResult);
}
