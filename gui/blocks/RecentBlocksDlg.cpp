#include "gui/blocks/RecentBlocksDlg.h"

#include <cstdio>

#include "gui/app/ProgramWindow.h"
#include "gui/blocks/JournalBlocks.h"
#include "gui/framework/DataExchange.h"
#include "gui/portable/BlockDescription.h"
#include "gui/res/resource.h"
#include "gui/time/GiveTimeDlg.h"

namespace {

// "2026-12-08 22:41:07" in the computer's time zone; the journal keeps UTC.
std::string LocalTimeText(unsigned long long ullFileTime) {
    FILETIME utc = {};
    utc.dwLowDateTime = static_cast<DWORD>(ullFileTime);
    utc.dwHighDateTime = static_cast<DWORD>(ullFileTime >> 32);
    SYSTEMTIME utcTime = {};
    SYSTEMTIME local = {};
    if (!::FileTimeToSystemTime(&utc, &utcTime) ||
        !::SystemTimeToTzSpecificLocalTime(nullptr, &utcTime, &local)) {
        return "?";
    }
    char szText[32] = {};
    std::snprintf(szText, sizeof szText, "%04u-%02u-%02u %02u:%02u:%02u", local.wYear, local.wMonth,
                  local.wDay, local.wHour, local.wMinute, local.wSecond);
    return szText;
}

}  // namespace

const CMessageEntry<CRecentBlocksDlg> CRecentBlocksDlg::kMessageMap[] = {
    MapCommand(IDC_BLOCKS_GIVE_TIME, &CRecentBlocksDlg::OnGiveTime),
    MapNotify(IDC_BLOCKS_LIST, LVN_ITEMCHANGED, &CRecentBlocksDlg::OnSelectionChanged),
    MapNotify(IDC_BLOCKS_LIST, NM_DBLCLK, &CRecentBlocksDlg::OnDoubleClick),
};

CRecentBlocksDlg::CRecentBlocksDlg(CWnd* pParent, bool bAllProfiles, std::string strProfile)
    : CSkinnedScreen(IDD_RECENT_BLOCKS, IDB_RECENT_BLOCKS, pParent),
      m_bAllProfiles(bAllProfiles),
      m_strProfile(std::move(strProfile)) {}

bool CRecentBlocksDlg::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult) {
    return DispatchMessageMap(*this, kMessageMap, uMsg, wParam, lParam, lResult) ||
           CSkinnedScreen::HandleMessage(uMsg, wParam, lParam, lResult);
}

void CRecentBlocksDlg::DoDataExchange(CDataExchange& dx) {
    dx.Control(IDC_BLOCKS_LIST, m_list);
}

void CRecentBlocksDlg::OnScreenInit() {
    m_list.SetExtendedStyle(LVS_EX_FULLROWSELECT);
    AddColumns();
    FillList();
    ::EnableWindow(GetDlgItem(IDC_BLOCKS_GIVE_TIME), FALSE);
}

// Widths in hundredths of the list's width, its vertical scroll bar left out: a long list
// shows one, and the columns should not need a horizontal one then.
void CRecentBlocksDlg::AddColumns() {
    const struct {
        const char* szHeading;
        int nPercent;
    } kColumns[] = {{"Time", 20},   {"Profile", 11},    {"Site", 19},
                    {"Reason", 20}, {"Connection", 13}, {"Program", 17}};
    const int cxList =
        static_cast<int>(m_list.GetClientRect().right) - ::GetSystemMetrics(SM_CXVSCROLL);
    int nColumn = 0;
    for (const auto& column : kColumns) {
        m_list.InsertColumn(nColumn++, column.szHeading, cxList * column.nPercent / 100);
    }
}

void CRecentBlocksDlg::FillList() {
    CJournalBlocks journal;
    for (const BlockJournalEntry* pEntry :
         RecentBlocks(journal.After(0), m_bAllProfiles, m_strProfile)) {
        const int nRow = m_list.InsertItem(m_list.GetItemCount(), LocalTimeText(pEntry->ullTime));
        m_list.SetItemText(nRow, 1, pEntry->szProfile);
        m_list.SetItemText(nRow, 2, BlockSite(*pEntry));
        const std::string strReason = BlockReason(*pEntry);
        m_list.SetItemText(nRow, 3, strReason);
        m_list.SetItemText(nRow, 4, BlockScheme(*pEntry));
        m_list.SetItemText(nRow, 5, pEntry->szProcess);
        m_rows.push_back({strReason, IsTimeBlock(*pEntry) ? pEntry->szProfile : ""});
    }
}

const CRecentBlocksDlg::Row* CRecentBlocksDlg::SelectedRow() const {
    const int nRow = m_list.GetNextItem(-1, LVNI_SELECTED);
    if (nRow < 0 || static_cast<size_t>(nRow) >= m_rows.size()) {
        return nullptr;
    }
    return &m_rows[static_cast<size_t>(nRow)];
}

LRESULT CRecentBlocksDlg::OnSelectionChanged(NMHDR&) {
    const Row* pRow = SelectedRow();
    SetStaticText(IDC_BLOCKS_REASON, pRow != nullptr ? pRow->strReason : "");
    const bool bTimeBlock = pRow != nullptr && !pRow->strTimeBlockProfile.empty();
    ::EnableWindow(GetDlgItem(IDC_BLOCKS_GIVE_TIME), bTimeBlock ? TRUE : FALSE);
    return 0;
}

LRESULT CRecentBlocksDlg::OnDoubleClick(NMHDR&) {
    OnGiveTime();
    return 0;
}

void CRecentBlocksDlg::OnGiveTime() {
    const Row* pRow = SelectedRow();
    if (pRow == nullptr || pRow->strTimeBlockProfile.empty()) {
        return;
    }
    CGiveTimeDlg giveTime(this, pRow->strTimeBlockProfile);
    giveTime.DoModal();
    gActiveWindow = m_hWnd;
}
