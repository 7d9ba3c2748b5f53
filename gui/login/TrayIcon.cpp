#include "gui/login/TrayIcon.h"

#include <cstring>

#include "gui/framework/MessageBox.h"
#include "win/GdiHandle.h"

CTrayIcon::CTrayIcon(UINT uId) {
    // The record as Windows 2000 and later read it (balloons included), at this build's
    // pointer size.
    m_data.cbSize = NOTIFYICONDATAA_V2_SIZE;
    m_data.uID = uId;
    const std::string strTip = LoadResourceString(uId);
    std::strncpy(m_data.szTip, strTip.c_str(), sizeof m_data.szTip - 1);
}

CTrayIcon::~CTrayIcon() {
    SetIcon(nullptr, nullptr);
}

void CTrayIcon::SetNotificationWnd(HWND hWnd, UINT uCallbackMessage) noexcept {
    m_data.hWnd = hWnd;
    m_data.uCallbackMessage = uCallbackMessage;
}

bool CTrayIcon::SetIcon(HICON hIcon, const char* szTip) {
    DWORD dwOperation = NIM_ADD;
    m_data.uFlags = 0;
    if (hIcon != nullptr) {
        dwOperation = m_bShown ? NIM_MODIFY : NIM_ADD;
        m_data.uFlags |= NIF_ICON;
        m_data.hIcon = hIcon;
    } else {
        if (!m_bShown) {
            return true;
        }
        dwOperation = NIM_DELETE;
    }
    if (szTip != nullptr) {
        std::strncpy(m_data.szTip, szTip, sizeof m_data.szTip - 1);
        m_data.szTip[sizeof m_data.szTip - 1] = '\0';
    }
    if (m_data.szTip[0] != '\0') {
        m_data.uFlags |= NIF_TIP;
    }
    if (m_data.uCallbackMessage != 0 && m_data.hWnd != nullptr) {
        m_data.uFlags |= NIF_MESSAGE;
    }
    const bool bOk = ::Shell_NotifyIconA(dwOperation, &m_data) != FALSE;
    m_bShown = bOk && dwOperation != NIM_DELETE;
    return bOk;
}

bool CTrayIcon::SetTip(const std::string& strTip) {
    std::strncpy(m_data.szTip, strTip.c_str(), sizeof m_data.szTip - 1);
    m_data.szTip[sizeof m_data.szTip - 1] = '\0';
    if (!m_bShown) {
        return false;
    }
    NOTIFYICONDATAA data = m_data;
    data.uFlags = NIF_TIP;
    return ::Shell_NotifyIconA(NIM_MODIFY, &data) != FALSE;
}

bool CTrayIcon::ShowBalloon(const std::string& strTitle, const std::string& strText) {
    if (!m_bShown) {
        return false;
    }
    NOTIFYICONDATAA data = m_data;
    data.uFlags = NIF_INFO;
    std::strncpy(data.szInfoTitle, strTitle.c_str(), sizeof data.szInfoTitle - 1);
    data.szInfoTitle[sizeof data.szInfoTitle - 1] = '\0';
    std::strncpy(data.szInfo, strText.c_str(), sizeof data.szInfo - 1);
    data.szInfo[sizeof data.szInfo - 1] = '\0';
    data.dwInfoFlags = NIIF_INFO;
    // Windows keeps a notice up at least 10 seconds and clamps this to its own bounds.
    data.uTimeout = 10000;
    return ::Shell_NotifyIconA(NIM_MODIFY, &data) != FALSE;
}

LRESULT CTrayIcon::OnTrayNotification(WPARAM uId, LPARAM lEvent) {
    if (uId != m_data.uID || (lEvent != WM_RBUTTONUP && lEvent != WM_LBUTTONDBLCLK)) {
        return 0;
    }
    const CMenuHandle menu(::LoadMenuA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(m_data.uID)));
    const HMENU hPopup = menu ? ::GetSubMenu(menu.Get(), 0) : nullptr;
    if (hPopup == nullptr) {
        return 0;
    }
    if (lEvent == WM_RBUTTONUP) {
        POINT cursor = {};
        ::GetCursorPos(&cursor);
        // The owner must be in front, or the menu stays open when the user clicks elsewhere.
        ::SetForegroundWindow(m_data.hWnd);
        ::TrackPopupMenu(hPopup, TPM_LEFTALIGN | TPM_RIGHTBUTTON, cursor.x, cursor.y, 0,
                         m_data.hWnd, nullptr);
        ::PostMessageA(m_data.hWnd, WM_NULL, 0, 0);
    } else {
        ::SetForegroundWindow(m_data.hWnd);
    }
    return 1;
}

void CTrayIcon::Remove(HWND hWnd, UINT uId) noexcept {
    NOTIFYICONDATAA data = {};
    data.cbSize = NOTIFYICONDATAA_V2_SIZE;
    data.hWnd = hWnd;
    data.uID = uId;
    ::Shell_NotifyIconA(NIM_DELETE, &data);
}
