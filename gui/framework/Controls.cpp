#include "gui/framework/Controls.h"

namespace {

std::string FromBuffer(const std::vector<char>& buffer) {
    return std::string(buffer.data());
}

// Entry nIndex of a list or combo box: its length, then its text. Both boxes report a bad
// index as -1.
std::string EntryText(const CWnd& box, UINT uLengthMessage, UINT uTextMessage, int nIndex) {
    const LRESULT nLength = box.SendMessage(uLengthMessage, static_cast<WPARAM>(nIndex));
    if (nLength < 0) {
        return {};
    }
    std::vector<char> text(static_cast<size_t>(nLength) + 1, '\0');
    box.SendMessage(uTextMessage, static_cast<WPARAM>(nIndex),
                    reinterpret_cast<LPARAM>(text.data()));
    return FromBuffer(text);
}

}  // namespace

std::string CComboBox::GetLBText(int nIndex) const {
    return EntryText(*this, CB_GETLBTEXTLEN, CB_GETLBTEXT, nIndex);
}

std::string CListBox::GetText(int nIndex) const {
    return EntryText(*this, LB_GETTEXTLEN, LB_GETTEXT, nIndex);
}

std::vector<int> CListBox::GetSelItems() const {
    const int nCount = GetSelCount();
    if (nCount <= 0) {
        return {};
    }
    std::vector<int> items(static_cast<size_t>(nCount));
    const LRESULT nGot = SendMessage(LB_GETSELITEMS, static_cast<WPARAM>(nCount),
                                     reinterpret_cast<LPARAM>(items.data()));
    items.resize(nGot > 0 ? static_cast<size_t>(nGot) : 0);
    return items;
}

int CListCtrl::InsertColumn(int nColumn, const std::string& strHeading, int cx) {
    LVCOLUMNA column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.pszText = const_cast<char*>(strHeading.c_str());
    column.cx = cx;
    column.iSubItem = nColumn;
    return static_cast<int>(SendMessage(LVM_INSERTCOLUMNA, static_cast<WPARAM>(nColumn),
                                        reinterpret_cast<LPARAM>(&column)));
}

int CListCtrl::InsertItem(int nItem, const std::string& strText) {
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.iItem = nItem;
    item.pszText = const_cast<char*>(strText.c_str());
    return static_cast<int>(SendMessage(LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

void CListCtrl::SetItemText(int nItem, int nSubItem, const std::string& strText) {
    LVITEMA item = {};
    item.iSubItem = nSubItem;
    item.pszText = const_cast<char*>(strText.c_str());
    SendMessage(LVM_SETITEMTEXTA, static_cast<WPARAM>(nItem), reinterpret_cast<LPARAM>(&item));
}

std::string CListCtrl::GetItemText(int nItem, int nSubItem) const {
    std::vector<char> text(256, '\0');
    LVITEMA item = {};
    item.iSubItem = nSubItem;
    item.pszText = text.data();
    item.cchTextMax = static_cast<int>(text.size());
    SendMessage(LVM_GETITEMTEXTA, static_cast<WPARAM>(nItem), reinterpret_cast<LPARAM>(&item));
    return FromBuffer(text);
}

void CListCtrl::SetItemState(int nItem, UINT uState, UINT uMask) noexcept {
    LVITEMA item = {};
    item.state = uState;
    item.stateMask = uMask;
    SendMessage(LVM_SETITEMSTATE, static_cast<WPARAM>(nItem), reinterpret_cast<LPARAM>(&item));
}
