#include "gui/framework/DataExchange.h"

#include <vector>

#include "gui/framework/Dialog.h"

HWND CDataExchange::Item(int nId) const noexcept {
    return m_dialog.GetDlgItem(nId);
}

void CDataExchange::Text(int nId, std::string& strValue, size_t nMaxChars) {
    const HWND hItem = Item(nId);
    if (!m_bSave) {
        if (nMaxChars != 0) {
            ::SendMessageA(hItem, EM_LIMITTEXT, nMaxChars, 0);
        }
        ::SetWindowTextA(hItem, strValue.c_str());
        return;
    }
    const int nLength = ::GetWindowTextLengthA(hItem);
    std::vector<char> text(static_cast<size_t>(nLength > 0 ? nLength : 0) + 1, '\0');
    const int nCopied = ::GetWindowTextA(hItem, text.data(), static_cast<int>(text.size()));
    strValue.assign(text.data(), static_cast<size_t>(nCopied > 0 ? nCopied : 0));
}

void CDataExchange::Check(int nId, int& iState) {
    const HWND hItem = Item(nId);
    if (m_bSave) {
        iState = static_cast<int>(::SendMessageA(hItem, BM_GETCHECK, 0, 0));
    } else {
        ::SendMessageA(hItem, BM_SETCHECK, static_cast<WPARAM>(iState), 0);
    }
}

void CDataExchange::ComboText(int nId, std::string& strValue) {
    const HWND hItem = Item(nId);
    if (!m_bSave) {
        const LRESULT nFound = ::SendMessageA(hItem, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                              reinterpret_cast<LPARAM>(strValue.c_str()));
        if (!strValue.empty() && nFound != CB_ERR) {
            ::SendMessageA(hItem, CB_SETCURSEL, static_cast<WPARAM>(nFound), 0);
        }
        return;
    }
    const LRESULT nSelected = ::SendMessageA(hItem, CB_GETCURSEL, 0, 0);
    if (nSelected == CB_ERR) {
        strValue.clear();
        return;
    }
    const LRESULT nLength =
        ::SendMessageA(hItem, CB_GETLBTEXTLEN, static_cast<WPARAM>(nSelected), 0);
    std::vector<char> text(static_cast<size_t>(nLength > 0 ? nLength : 0) + 1, '\0');
    ::SendMessageA(hItem, CB_GETLBTEXT, static_cast<WPARAM>(nSelected),
                   reinterpret_cast<LPARAM>(text.data()));
    strValue = text.data();
}

void CDataExchange::Control(int nId, CWnd& control) {
    if (control.GetSafeHwnd() == nullptr) {
        control.AttachDlgItem(nId, m_dialog);
    }
}
