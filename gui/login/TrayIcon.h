// The program's icon in the notification area: shown, changed and removed with its tooltip,
// and the clicks on it (a right-button release opens the tray menu, a double-click brings
// the owner window to the front), and its balloon notices.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <string>

class CTrayIcon {
public:
    // uId is both the icon's id and the menu resource it opens; string uId is the first
    // tooltip.
    explicit CTrayIcon(UINT uId);
    CTrayIcon(const CTrayIcon&) = delete;
    CTrayIcon& operator=(const CTrayIcon&) = delete;
    ~CTrayIcon();

    void SetNotificationWnd(HWND hWnd, UINT uCallbackMessage) noexcept;
    // Shows or changes the icon; without an icon, removes it. szTip: at most 127 characters
    // are kept; null keeps the current one.
    bool SetIcon(HICON hIcon, const char* szTip);
    // Changes the tooltip of the shown icon (at most 127 characters are kept).
    bool SetTip(const std::string& strTip);
    // Shows a balloon notice from the shown icon: title and text are cut to what the shell
    // keeps (63 and 255 characters).
    bool ShowBalloon(const std::string& strTitle, const std::string& strText);
    // Handles a callback (icon id, mouse message); 1 when handled.
    LRESULT OnTrayNotification(WPARAM uId, LPARAM lEvent);

    bool IsShown() const noexcept { return m_bShown; }
    std::string Tooltip() const { return m_data.szTip; }

    // Removes the icon of owner hWnd without an object (at a sudden end of the program).
    static void Remove(HWND hWnd, UINT uId) noexcept;

private:
    NOTIFYICONDATAA m_data = {};
    bool m_bShown = false;
};
