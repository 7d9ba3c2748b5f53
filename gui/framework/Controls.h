// Thin wrappers of the standard controls the screens use. Each names a dialog item (bound by
// field exchange or Attach) and sends it the control's own messages.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "gui/framework/Wnd.h"

class CButton : public CWnd {
public:
    int GetCheck() const noexcept { return static_cast<int>(SendMessage(BM_GETCHECK)); }
    void SetCheck(int iState) noexcept { SendMessage(BM_SETCHECK, static_cast<WPARAM>(iState)); }
};

class CEdit : public CWnd {
public:
    void LimitText(size_t nMaxChars) noexcept { SendMessage(EM_LIMITTEXT, nMaxChars); }
    void SetSel(int nStart, int nEnd) noexcept {
        SendMessage(EM_SETSEL, static_cast<WPARAM>(nStart), static_cast<LPARAM>(nEnd));
    }
    void SelectAll() noexcept { SetSel(0, -1); }
    void ScrollCaret() noexcept { SendMessage(EM_SCROLLCARET); }
    // Back to the edit with its whole text selected and in view, so that a correction
    // replaces it.
    void FocusForCorrection() noexcept {
        SetFocus();
        SelectAll();
        ScrollCaret();
    }
};

class CStatic : public CWnd {
public:
    void SetBitmap(HBITMAP hBitmap) noexcept {
        SendMessage(STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(hBitmap));
    }
};

class CComboBox : public CWnd {
public:
    int AddString(const std::string& strText) noexcept {
        return static_cast<int>(SendMessage(CB_ADDSTRING, 0, Text(strText)));
    }
    void ResetContent() noexcept { SendMessage(CB_RESETCONTENT); }
    int GetCount() const noexcept { return static_cast<int>(SendMessage(CB_GETCOUNT)); }
    int GetCurSel() const noexcept { return static_cast<int>(SendMessage(CB_GETCURSEL)); }
    void SetCurSel(int nIndex) noexcept { SendMessage(CB_SETCURSEL, static_cast<WPARAM>(nIndex)); }
    std::string GetLBText(int nIndex) const;

private:
    static LPARAM Text(const std::string& strText) noexcept {
        return reinterpret_cast<LPARAM>(strText.c_str());
    }
};

class CListBox : public CWnd {
public:
    int AddString(const std::string& strText) noexcept {
        return static_cast<int>(
            SendMessage(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(strText.c_str())));
    }
    void DeleteString(int nIndex) noexcept {
        SendMessage(LB_DELETESTRING, static_cast<WPARAM>(nIndex));
    }
    void ResetContent() noexcept { SendMessage(LB_RESETCONTENT); }
    int GetCount() const noexcept { return static_cast<int>(SendMessage(LB_GETCOUNT)); }
    std::string GetText(int nIndex) const;
    // The indexes of the selected items of an extended-selection list.
    std::vector<int> GetSelItems() const;
    int GetSelCount() const noexcept { return static_cast<int>(SendMessage(LB_GETSELCOUNT)); }
    int GetHorizontalExtent() const noexcept {
        return static_cast<int>(SendMessage(LB_GETHORIZONTALEXTENT));
    }
    void SetHorizontalExtent(int cx) noexcept {
        SendMessage(LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(cx));
    }
    void SetItemData(int nIndex, LPARAM lData) noexcept {
        SendMessage(LB_SETITEMDATA, static_cast<WPARAM>(nIndex), lData);
    }
    LPARAM GetItemData(int nIndex) const noexcept {
        return SendMessage(LB_GETITEMDATA, static_cast<WPARAM>(nIndex));
    }
    void SetItemHeight(int cy) noexcept { SendMessage(LB_SETITEMHEIGHT, 0, cy); }
    int GetItemHeight() const noexcept { return static_cast<int>(SendMessage(LB_GETITEMHEIGHT)); }
    int GetTopIndex() const noexcept { return static_cast<int>(SendMessage(LB_GETTOPINDEX)); }
    void SetTopIndex(int nIndex) noexcept {
        SendMessage(LB_SETTOPINDEX, static_cast<WPARAM>(nIndex));
    }
};

class CListCtrl : public CWnd {
public:
    void SetExtendedStyle(DWORD dwStyle) noexcept {
        SendMessage(LVM_SETEXTENDEDLISTVIEWSTYLE, dwStyle, static_cast<LPARAM>(dwStyle));
    }
    int InsertColumn(int nColumn, const std::string& strHeading, int cx);
    int InsertItem(int nItem, const std::string& strText);
    void SetItemText(int nItem, int nSubItem, const std::string& strText);
    std::string GetItemText(int nItem, int nSubItem) const;
    int GetItemCount() const noexcept { return static_cast<int>(SendMessage(LVM_GETITEMCOUNT)); }
    // The first item after nStart (-1: from the start) in the state flags (LVNI_SELECTED...).
    int GetNextItem(int nStart, UINT uFlags) const noexcept {
        return static_cast<int>(SendMessage(LVM_GETNEXTITEM, static_cast<WPARAM>(nStart), uFlags));
    }
    void SetItemState(int nItem, UINT uState, UINT uMask) noexcept;
    void DeleteItem(int nItem) noexcept { SendMessage(LVM_DELETEITEM, static_cast<WPARAM>(nItem)); }
};
