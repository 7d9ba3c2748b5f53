#include "tools/family/LoginWindow.h"

#include <functional>

#include "gui/res/resource.h"
#include "win/UniqueHandle.h"

namespace {

constexpr DWORD kWaitMs = 30000;
constexpr DWORD kPollMs = 20;
// A message box's text sits in the static of this id.
constexpr int kMessageBoxTextId = 0xFFFF;

bool WaitUntil(const std::function<bool()>& done, DWORD dwTimeoutMs = kWaitMs) {
    const ULONGLONG uEnd = ::GetTickCount64() + dwTimeoutMs;
    while (!done()) {
        if (::GetTickCount64() >= uEnd) {
            return false;
        }
        ::Sleep(kPollMs);
    }
    return true;
}

// Text through the wide messages: under Wine the narrow ones come back in UTF-16 across
// processes.
std::string WindowText(HWND hWnd) {
    wchar_t szText[512] = {};
    ::SendMessageW(hWnd, WM_GETTEXT, sizeof szText / sizeof szText[0],
                   reinterpret_cast<LPARAM>(szText));
    char szNarrow[1024] = {};
    ::WideCharToMultiByte(CP_ACP, 0, szText, -1, szNarrow, sizeof szNarrow, nullptr, nullptr);
    return szNarrow;
}

std::string ClassOf(HWND hWnd) {
    char szClass[64] = {};
    ::GetClassNameA(hWnd, szClass, sizeof szClass);
    return szClass;
}

// A visible message box the login window owns: the program's answer to a login.
HWND MessageBoxOf(HWND hOwner) {
    struct CSearch {
        HWND hOwner;
        HWND hFound;
    } search{hOwner, nullptr};
    ::EnumWindows(
        [](HWND hWnd, LPARAM lParam) -> BOOL {
            auto& s = *reinterpret_cast<CSearch*>(lParam);
            if (::IsWindowVisible(hWnd) && ::GetWindow(hWnd, GW_OWNER) == s.hOwner &&
                ClassOf(hWnd) == "#32770" && ::GetDlgItem(hWnd, kMessageBoxTextId) != nullptr) {
                s.hFound = hWnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.hFound;
}

bool IsShown(HWND hWnd) {
    return ::IsWindowVisible(hWnd) != FALSE;
}

}  // namespace

HWND FindLoginWindow(DWORD dwTimeoutMs) {
    HWND hFound = nullptr;
    WaitUntil([&] { return (hFound = ::FindWindowA("#32770", "Login")) != nullptr; }, dwTimeoutMs);
    return hFound;
}

bool LogInThroughWindow(HWND hLogin, const std::string& strName, const std::string& strPassword,
                        std::string& strError) {
    if (!WaitUntil([&] { return IsShown(hLogin); })) {
        strError = "the login window is not shown";
        return false;
    }
    ::SendMessageA(::GetDlgItem(hLogin, IDC_LOGIN_USER), CB_SELECTSTRING, static_cast<WPARAM>(-1),
                   reinterpret_cast<LPARAM>(strName.c_str()));
    if (WindowText(::GetDlgItem(hLogin, IDC_LOGIN_USER)) != strName) {
        strError = "the login window does not list " + strName;
        return false;
    }
    // Typed as a keyboard would, so the field's length limit applies.
    const HWND hPassword = ::GetDlgItem(hLogin, IDC_LOGIN_PASSWORD);
    ::SendMessageA(hPassword, EM_SETSEL, 0, -1);
    ::SendMessageA(hPassword, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(strPassword.c_str()));
    // Posted: a refusal opens a modal message box, which a sent click would wait for.
    ::PostMessageA(::GetDlgItem(hLogin, IDOK), BM_CLICK, 0, 0);

    HWND hBox = nullptr;
    WaitUntil([&] { return !IsShown(hLogin) || (hBox = MessageBoxOf(hLogin)) != nullptr; });
    if (hBox != nullptr) {
        strError = "the program said: " + WindowText(::GetDlgItem(hBox, kMessageBoxTextId));
        ::PostMessageA(::GetDlgItem(hBox, IDOK), BM_CLICK, 0, 0);
        return false;
    }
    if (IsShown(hLogin)) {
        strError = "the login window did not go to the tray";
        return false;
    }
    return true;
}

bool LogOutThroughTray(HWND hLogin, std::string& strError) {
    ::PostMessageA(hLogin, WM_COMMAND, ID_TRAY_LOGOUT, 0);
    if (!WaitUntil([&] { return IsShown(hLogin); })) {
        strError = "the login window did not come back";
        return false;
    }
    return true;
}

bool ExitThroughTray(HWND hLogin, std::string& strError) {
    DWORD dwPid = 0;
    ::GetWindowThreadProcessId(hLogin, &dwPid);
    const CHandle process(::OpenProcess(SYNCHRONIZE, FALSE, dwPid));
    ::PostMessageA(hLogin, WM_COMMAND, ID_TRAY_EXIT, 0);
    const bool bEnded = process && ::WaitForSingleObject(process.Get(), kWaitMs) == WAIT_OBJECT_0;
    if (!bEnded) {
        strError = "the program did not end";
    }
    return bEnded;
}
