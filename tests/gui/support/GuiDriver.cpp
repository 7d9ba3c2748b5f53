#include "tests/gui/support/GuiDriver.h"

#include <filesystem>
#include <string_view>

#include "win/ProcessHandles.h"
#include "win/UniqueHandle.h"

namespace gui {
namespace {

constexpr DWORD kPollMs = 20;
// A message box's text sits in the static of this id.
constexpr int kMessageBoxTextId = 0xFFFF;

// The program's message boxes carry its name, or "Confirmation" for questions; the only
// dialog of that name (the installer's) is never owned by another window.
bool HasMessageBoxTitle(HWND hWnd) {
    const std::string strTitle = WindowText(hWnd);
    return strTitle == "Parental Control" || strTitle == "Confirmation";
}

std::string Narrow(const std::wstring& strWide) {
    if (strWide.empty()) {
        return {};
    }
    const int n =
        ::WideCharToMultiByte(CP_ACP, 0, strWide.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string strText(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, strWide.c_str(), -1, strText.data(), n, nullptr, nullptr);
    strText.resize(static_cast<size_t>(n > 0 ? n - 1 : 0));
    return strText;
}

std::string ClassOf(HWND hWnd) {
    char szClass[64] = {};
    ::GetClassNameA(hWnd, szClass, sizeof szClass);
    return szClass;
}

// Every entry of a combo or list box, through the wide messages: under Wine the narrow ones
// come back in UTF-16 across processes.
std::vector<std::string> Entries(HWND hControl, UINT uCount, UINT uLength, UINT uText) {
    std::vector<std::string> entries;
    const LRESULT nCount = ::SendMessageW(hControl, uCount, 0, 0);
    for (LRESULT i = 0; i < nCount; ++i) {
        const LRESULT nLength = ::SendMessageW(hControl, uLength, static_cast<WPARAM>(i), 0);
        std::wstring strText(static_cast<size_t>(nLength > 0 ? nLength : 0) + 1, L'\0');
        ::SendMessageW(hControl, uText, static_cast<WPARAM>(i),
                       reinterpret_cast<LPARAM>(strText.data()));
        entries.push_back(Narrow(strText.c_str()));
    }
    return entries;
}

HWND MessageBoxNow(DWORD dwPid, HWND hOwner) {
    for (HWND hWnd : WindowsOf(dwPid, "#32770")) {
        if (::IsWindowVisible(hWnd) && ::GetWindow(hWnd, GW_OWNER) == hOwner &&
            HasMessageBoxTitle(hWnd) && ::GetDlgItem(hWnd, kMessageBoxTextId) != nullptr) {
            return hWnd;
        }
    }
    return nullptr;
}

// build/win/screenshots, from this program's folder (build/win/sockbin), or the folder
// PC_SCREENSHOTS names (scripts/screens-scaled.sh).
std::filesystem::path ScreenshotFolder() {
    char szPath[MAX_PATH] = {};
    const DWORD cch = ::GetEnvironmentVariableA("PC_SCREENSHOTS", szPath, MAX_PATH);
    if (cch > 0 && cch < MAX_PATH) {
        return szPath;
    }
    ::GetModuleFileNameA(nullptr, szPath, MAX_PATH);
    return std::filesystem::path(szPath).parent_path().parent_path() / "screenshots";
}

// The Unix path of a path on Wine's Z: drive (the root of the Unix file system).
std::string UnixPath(const std::filesystem::path& path) {
    std::string strPath = path.string();
    if (strPath.size() >= 2 && (strPath[0] == 'Z' || strPath[0] == 'z') && strPath[1] == ':') {
        strPath.erase(0, 2);
    }
    for (char& c : strPath) {
        if (c == '\\') {
            c = '/';
        }
    }
    return strPath;
}

}  // namespace

bool WaitUntil(const std::function<bool()>& done, DWORD dwTimeoutMs) {
    const ULONGLONG uEnd = ::GetTickCount64() + dwTimeoutMs;
    for (;;) {
        if (done()) {
            return true;
        }
        if (::GetTickCount64() >= uEnd) {
            return false;
        }
        // Windows of the waiting thread itself (in-process tests) go on painting.
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
        ::Sleep(kPollMs);
    }
}

std::vector<HWND> WindowsOf(DWORD dwPid, const char* szClass) {
    struct CSearch {
        DWORD dwPid;
        std::string strClass;
        std::vector<HWND> found;
    } search{dwPid, szClass, {}};
    ::EnumWindows(
        [](HWND hWnd, LPARAM lParam) -> BOOL {
            auto& s = *reinterpret_cast<CSearch*>(lParam);
            DWORD dwOwnerPid = 0;
            ::GetWindowThreadProcessId(hWnd, &dwOwnerPid);
            if ((s.dwPid == 0 || dwOwnerPid == s.dwPid) && ClassOf(hWnd) == s.strClass) {
                s.found.push_back(hWnd);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND FindDialog(DWORD dwPid, const char* szTitle, DWORD dwTimeoutMs) {
    HWND hFound = nullptr;
    WaitUntil(
        [&] {
            for (HWND hWnd : WindowsOf(dwPid, "#32770")) {
                if (WindowText(hWnd) == szTitle &&
                    (!HasMessageBoxTitle(hWnd) || ::GetWindow(hWnd, GW_OWNER) == nullptr)) {
                    hFound = hWnd;
                    return true;
                }
            }
            return false;
        },
        dwTimeoutMs);
    return hFound;
}

HWND FindMessageBox(DWORD dwPid, HWND hOwner, DWORD dwTimeoutMs) {
    HWND hFound = nullptr;
    WaitUntil([&] { return (hFound = MessageBoxNow(dwPid, hOwner)) != nullptr; }, dwTimeoutMs);
    return hFound;
}

bool HasMessageBox(DWORD dwPid, HWND hOwner) {
    return MessageBoxNow(dwPid, hOwner) != nullptr;
}

std::string MessageBoxText(HWND hBox) {
    return ItemText(hBox, kMessageBoxTextId);
}

bool AnswerMessageBox(HWND hBox, int nButton) {
    const HWND hOwner = ::GetWindow(hBox, GW_OWNER);
    Click(hBox, nButton);
    if (!WaitUntil([&] { return !::IsWindow(hBox); })) {
        return false;
    }
    // The owner's thread handles this only once it is back in a message loop, so whatever the
    // program does after its message box (a focus, a selection) has been done by then.
    DWORD_PTR dwResult = 0;
    if (hOwner != nullptr) {
        ::SendMessageTimeoutA(hOwner, WM_NULL, 0, 0, SMTO_BLOCK, kWaitMs, &dwResult);
    }
    return true;
}

std::string WindowText(HWND hWnd) {
    const LRESULT nLength = ::SendMessageW(hWnd, WM_GETTEXTLENGTH, 0, 0);
    std::wstring strText(static_cast<size_t>(nLength > 0 ? nLength : 0) + 1, L'\0');
    ::SendMessageW(hWnd, WM_GETTEXT, strText.size(), reinterpret_cast<LPARAM>(strText.data()));
    return Narrow(strText.c_str());
}

std::string ItemText(HWND hDialog, int nId) {
    return WindowText(::GetDlgItem(hDialog, nId));
}

void SetItemText(HWND hDialog, int nId, const std::string& strText) {
    ::SendMessageA(::GetDlgItem(hDialog, nId), WM_SETTEXT, 0,
                   reinterpret_cast<LPARAM>(strText.c_str()));
}

void TypeText(HWND hDialog, int nId, const std::string& strText) {
    const HWND hEdit = ::GetDlgItem(hDialog, nId);
    ::SendMessageA(hEdit, EM_SETSEL, 0, -1);
    ::SendMessageA(hEdit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(strText.c_str()));
}

void Click(HWND hDialog, int nId) {
    ::PostMessageA(::GetDlgItem(hDialog, nId), BM_CLICK, 0, 0);
}

void PostCommand(HWND hWnd, int nId) {
    ::PostMessageA(hWnd, WM_COMMAND, static_cast<WPARAM>(nId), 0);
}

HWND DescendantItem(HWND hTop, int nId) {
    struct CSearch {
        int nId;
        HWND hFound;
    } search = {nId, nullptr};
    ::EnumChildWindows(
        hTop,
        [](HWND hChild, LPARAM lParam) -> BOOL {
            auto& wanted = *reinterpret_cast<CSearch*>(lParam);
            // Controls of dialogs only: the category list's item buttons have ids of their
            // own that may equal a dialog control's.
            char szParentClass[16] = {};
            ::GetClassNameA(::GetParent(hChild), szParentClass, sizeof szParentClass);
            if (::GetDlgCtrlID(hChild) != wanted.nId ||
                std::string_view(szParentClass) != "#32770") {
                return TRUE;
            }
            wanted.hFound = hChild;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.hFound;
}

bool ClickNow(HWND hDialog, int nId, DWORD dwTimeoutMs) {
    DWORD_PTR dwResult = 0;
    return ::SendMessageTimeoutA(::GetDlgItem(hDialog, nId), BM_CLICK, 0, 0, SMTO_NORMAL,
                                 dwTimeoutMs, &dwResult) != 0;
}

bool CommandNow(HWND hWnd, int nId, DWORD dwTimeoutMs) {
    DWORD_PTR dwResult = 0;
    return ::SendMessageTimeoutA(hWnd, WM_COMMAND, static_cast<WPARAM>(nId), 0, SMTO_NORMAL,
                                 dwTimeoutMs, &dwResult) != 0;
}

bool BecomesVisible(HWND hWnd, DWORD dwTimeoutMs) {
    return WaitUntil([&] { return ::IsWindowVisible(hWnd) != FALSE; }, dwTimeoutMs);
}

bool BecomesHidden(HWND hWnd, DWORD dwTimeoutMs) {
    return WaitUntil([&] { return ::IsWindowVisible(hWnd) == FALSE; }, dwTimeoutMs);
}

bool IsItemVisible(HWND hDialog, int nId) {
    return ::IsWindowVisible(::GetDlgItem(hDialog, nId)) != FALSE;
}

bool IsItemEnabled(HWND hDialog, int nId) {
    return ::IsWindowEnabled(::GetDlgItem(hDialog, nId)) != FALSE;
}

HWND FocusedItemOf(HWND hDialog) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    const DWORD dwThread = ::GetWindowThreadProcessId(hDialog, nullptr);
    return ::GetGUIThreadInfo(dwThread, &info) ? info.hwndFocus : nullptr;
}

std::pair<int, int> EditSelection(HWND hDialog, int nId) {
    DWORD dwStart = 0;
    DWORD dwEnd = 0;
    ::SendMessageA(::GetDlgItem(hDialog, nId), EM_GETSEL, reinterpret_cast<WPARAM>(&dwStart),
                   reinterpret_cast<LPARAM>(&dwEnd));
    return {static_cast<int>(dwStart), static_cast<int>(dwEnd)};
}

std::vector<std::string> ComboEntries(HWND hDialog, int nId) {
    return Entries(::GetDlgItem(hDialog, nId), CB_GETCOUNT, CB_GETLBTEXTLEN, CB_GETLBTEXT);
}

std::vector<std::string> ListEntries(HWND hDialog, int nId) {
    return Entries(::GetDlgItem(hDialog, nId), LB_GETCOUNT, LB_GETTEXTLEN, LB_GETTEXT);
}

int ListHorizontalExtent(HWND hDialog, int nId) {
    return static_cast<int>(
        ::SendMessageA(::GetDlgItem(hDialog, nId), LB_GETHORIZONTALEXTENT, 0, 0));
}

std::string Screenshot(HWND hWnd, const std::string& strName) {
    // Let the program paint what it has just been asked to show.
    ::RedrawWindow(hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    DWORD_PTR dwResult = 0;
    ::SendMessageTimeoutA(hWnd, WM_NULL, 0, 0, SMTO_BLOCK, kWaitMs, &dwResult);
    WaitUntil([] { return false; }, 300);
    RECT rect = {};
    ::GetWindowRect(hWnd, &rect);
    const std::filesystem::path folder = ScreenshotFolder();
    std::filesystem::create_directories(folder);
    const std::filesystem::path final = folder / (strName + ".png");
    const std::filesystem::path partial = folder / (strName + ".partial.png");
    std::filesystem::remove(final);
    char szDisplay[64] = {};
    ::GetEnvironmentVariableA("DISPLAY", szDisplay, sizeof szDisplay);
    // ImageMagick, a Unix program: Wine starts it as it would a Windows one.
    std::string strCommand =
        "/bin/sh -c \"import -display " + std::string(szDisplay) + " -window root -crop " +
        std::to_string(rect.right - rect.left) + "x" + std::to_string(rect.bottom - rect.top) +
        "+" + std::to_string(rect.left) + "+" + std::to_string(rect.top) + " +repage '" +
        UnixPath(partial) + "' && mv '" + UnixPath(partial) + "' '" + UnixPath(final) + "'\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!::CreateProcessA(nullptr, strCommand.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &process)) {
        return {};
    }
    const CProcessHandles handles = OwnProcessHandles(process);
    // The Unix program is not waited for through its handle: watch for its file instead.
    return WaitUntil([&] { return std::filesystem::exists(final); }) ? final.string() : "";
}

}  // namespace gui
