#include "gui/controls/HyperLink.h"

#include <commctrl.h>
#include <shellapi.h>

#include "win/ProcessHandles.h"

const UINT WM_XHYPERLINK_CLICKED = ::RegisterWindowMessageA("WM_XHYPERLINK_CLICKED");

namespace {

constexpr UINT kHoverCheckMs = 100;
constexpr int kHelpHandCursor = 106;

// The default value of HKEY_CLASSES_ROOT\<path>.
std::string ClassesRootValue(const std::string& strPath) {
    char szValue[MAX_PATH * 2] = {};
    LONG cbValue = sizeof szValue;
    if (::RegQueryValueA(HKEY_CLASSES_ROOT, strPath.c_str(), szValue, &cbValue) != ERROR_SUCCESS) {
        return {};
    }
    szValue[sizeof szValue - 1] = '\0';
    return szValue;
}

}  // namespace

void CHyperLink::AttachDlgItem(int nId, const CWnd& parent) {
    if (!SubclassDlgItem(nId, parent)) {
        return;
    }
    // A static tells its parent of clicks only with this style.
    ::SetWindowLongA(m_hWnd, GWL_STYLE, ::GetWindowLongA(m_hWnd, GWL_STYLE) | SS_NOTIFY);
    if (m_strUrl.empty()) {
        m_strUrl = GetWindowText();
    }
    MakeFonts();
    LoadHandCursor();
    if (m_bTooltip) {
        MakeTooltip();
    }
}

void CHyperLink::MakeFonts() {
    auto hFont = reinterpret_cast<HFONT>(SendMessage(WM_GETFONT));
    if (hFont == nullptr) {
        hFont = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
    }
    LOGFONTA font = {};
    ::GetObjectA(hFont, sizeof font, &font);
    font.lfUnderline = TRUE;
    m_underlinedFont.Reset(::CreateFontIndirectA(&font));
    SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(m_underlinedFont.Get()), FALSE);
    FitToText();
}

void CHyperLink::FitToText() {
    // The link is its text: no underline, hand cursor or click beyond it.
    const std::string strText = GetWindowText();
    const CClientDC dc(m_hWnd);
    const CSelectObject font(dc.Get(), m_underlinedFont.Get());
    SIZE extent = {};
    ::GetTextExtentPoint32A(dc.Get(), strText.c_str(), static_cast<int>(strText.size()), &extent);
    const RECT rect = GetRectInParent();
    if (extent.cx > 0 && extent.cx < rect.right - rect.left) {
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, extent.cx, rect.bottom - rect.top,
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void CHyperLink::LoadHandCursor() {
    m_hCursor = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32649));  // IDC_HAND
    if (m_hCursor != nullptr) {
        return;
    }
    // Systems without a hand cursor have one in the help program.
    char szWindows[MAX_PATH] = {};
    ::GetWindowsDirectoryA(szWindows, MAX_PATH);
    const std::string strHelp = std::string(szWindows) + "\\winhlp32.exe";
    m_helpModule.Reset(::LoadLibraryExA(strHelp.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    if (m_helpModule) {
        m_hCursor = ::LoadCursorA(m_helpModule.Get(), MAKEINTRESOURCEA(kHelpHandCursor));
    }
}

void CHyperLink::MakeTooltip() {
    m_tooltip.Reset(::CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                                      CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                      m_hWnd, nullptr, ::GetModuleHandleA(nullptr), nullptr));
    if (!m_tooltip) {
        return;
    }
    TTTOOLINFOA tool = {};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = GetParent();
    tool.uId = reinterpret_cast<UINT_PTR>(m_hWnd);
    tool.lpszText = m_strUrl.data();
    ::SendMessageA(m_tooltip.Get(), TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
}

bool CHyperLink::OnChildNotify(UINT uMsg, WPARAM wParam, LPARAM, LRESULT& lResult) {
    if (uMsg == WM_CTLCOLORSTATIC) {
        const auto hdc = reinterpret_cast<HDC>(wParam);
        ::SetTextColor(hdc, m_bHover ? kHoverColour : (m_bVisited ? kVisitedColour : kLinkColour));
        ::SetBkMode(hdc, TRANSPARENT);
        lResult = reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
        return true;
    }
    if (uMsg == WM_COMMAND && HIWORD(wParam) == STN_CLICKED) {
        OnClicked();
        lResult = 0;
        return true;
    }
    return false;
}

void CHyperLink::OnClicked() {
    if (m_bOpen) {
        if (OpenUrl()) {
            m_bVisited = true;
            Invalidate();
        } else {
            ::MessageBeep(MB_ICONEXCLAMATION);
        }
    }
    if (m_bNotify) {
        ::SendMessageA(GetParent(), WM_XHYPERLINK_CLICKED, static_cast<WPARAM>(GetDlgCtrlID()), 0);
    }
}

bool CHyperLink::OpenUrl() const {
    const auto nResult = reinterpret_cast<INT_PTR>(
        ::ShellExecuteA(nullptr, "open", m_strUrl.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    return nResult > 32 || OpenWithHtmlCommand();
}

bool CHyperLink::OpenWithHtmlCommand() const {
    // The program registered for web pages, its "%1" replaced by the address.
    const std::string strClass = ClassesRootValue(".htm");
    if (strClass.empty()) {
        return false;
    }
    std::string strCommand = ClassesRootValue(strClass + "\\shell\\open\\command");
    const size_t nArgument = strCommand.find("%1");
    if (strCommand.empty() || nArgument == std::string::npos) {
        return false;
    }
    strCommand.replace(nArgument, 2, m_strUrl);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!::CreateProcessA(nullptr, strCommand.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &process)) {
        return false;
    }
    const CProcessHandles handles = OwnProcessHandles(process);
    return true;
}

void CHyperLink::SetHover(bool bHover) {
    if (m_bHover == bHover) {
        return;
    }
    m_bHover = bHover;
    Invalidate();
}

LRESULT CHyperLink::WindowProc(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    switch (uMsg) {
        case WM_SETCURSOR:
            if (m_hCursor != nullptr) {
                ::SetCursor(m_hCursor);
                return TRUE;
            }
            break;
        case WM_MOUSEMOVE:
            if (!m_bHover) {
                SetHover(true);
                ::SetTimer(m_hWnd, kHoverTimer, kHoverCheckMs, nullptr);
            }
            break;
        case WM_TIMER:
            if (wParam == kHoverTimer) {
                POINT cursor = {};
                ::GetCursorPos(&cursor);
                const RECT rect = GetWindowRect();
                if (!::PtInRect(&rect, cursor)) {
                    ::KillTimer(m_hWnd, kHoverTimer);
                    SetHover(false);
                }
                return 0;
            }
            break;
        default:
            break;
    }
    return Default(uMsg, wParam, lParam);
}
