// A list view of the settings program, read and selected from outside: its item messages
// take their LVITEM in the program's own memory, so the record is placed there.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "win/UniqueHandle.h"

class CRemoteListView {
public:
    explicit CRemoteListView(HWND hList) : m_hList(hList) {
        DWORD dwPid = 0;
        ::GetWindowThreadProcessId(hList, &dwPid);
        m_process.Reset(
            ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, dwPid));
        m_pRemote = ::VirtualAllocEx(m_process.Get(), nullptr, kSize, MEM_COMMIT | MEM_RESERVE,
                                     PAGE_READWRITE);
    }
    CRemoteListView(const CRemoteListView&) = delete;
    CRemoteListView& operator=(const CRemoteListView&) = delete;
    ~CRemoteListView() {
        if (m_pRemote != nullptr) {
            ::VirtualFreeEx(m_process.Get(), m_pRemote, 0, MEM_RELEASE);
        }
    }

    int Count() const { return static_cast<int>(::SendMessageW(m_hList, LVM_GETITEMCOUNT, 0, 0)); }
    int Selected() const {
        return static_cast<int>(
            ::SendMessageW(m_hList, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    }
    std::string Text(int nRow, int nColumn) const {
        LVITEMW item = {};
        item.iSubItem = nColumn;
        item.cchTextMax = kTextChars;
        item.pszText = reinterpret_cast<wchar_t*>(TextAddress());
        Put(item);
        ::SendMessageW(m_hList, LVM_GETITEMTEXTW, static_cast<WPARAM>(nRow),
                       reinterpret_cast<LPARAM>(m_pRemote));
        wchar_t szText[kTextChars] = {};
        ::ReadProcessMemory(m_process.Get(), TextAddress(), szText, sizeof szText, nullptr);
        szText[kTextChars - 1] = L'\0';
        char szNarrow[kTextChars * 2] = {};
        ::WideCharToMultiByte(CP_ACP, 0, szText, -1, szNarrow, sizeof szNarrow, nullptr, nullptr);
        return szNarrow;
    }
    // Selects row nRow alone (-1: none).
    void Select(int nRow) const {
        SetState(-1, 0);
        if (nRow >= 0) {
            SetState(nRow, LVIS_SELECTED | LVIS_FOCUSED);
        }
    }
    // The rows' "name: description" texts.
    std::vector<std::string> Rows() const {
        std::vector<std::string> rows;
        for (int i = 0; i < Count(); ++i) {
            rows.push_back(Text(i, 0) + ": " + Text(i, 1));
        }
        return rows;
    }

private:
    static constexpr SIZE_T kSize = 4096;
    static constexpr int kTextChars = 256;

    char* TextAddress() const { return static_cast<char*>(m_pRemote) + sizeof(LVITEMW); }
    void Put(const LVITEMW& item) const {
        ::WriteProcessMemory(m_process.Get(), m_pRemote, &item, sizeof item, nullptr);
    }
    void SetState(int nRow, UINT uState) const {
        LVITEMW item = {};
        item.state = uState;
        item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        Put(item);
        ::SendMessageW(m_hList, LVM_SETITEMSTATE, static_cast<WPARAM>(nRow),
                       reinterpret_cast<LPARAM>(m_pRemote));
    }

    HWND m_hList;
    CHandle m_process;
    void* m_pRemote = nullptr;
};
