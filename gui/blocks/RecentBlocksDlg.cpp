#include "gui/blocks/RecentBlocksDlg.h"

#include <cstdio>

#include "gui/blocks/JournalBlocks.h"
#include "gui/framework/DataExchange.h"
#include "gui/portable/BlockDescription.h"
#include "gui/res/resource.h"

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

CRecentBlocksDlg::CRecentBlocksDlg(CWnd* pParent, bool bAllProfiles, std::string strProfile)
    : CSkinnedScreen(IDD_RECENT_BLOCKS, IDB_RECENT_BLOCKS, pParent),
      m_bAllProfiles(bAllProfiles),
      m_strProfile(std::move(strProfile)) {}

void CRecentBlocksDlg::DoDataExchange(CDataExchange& dx) {
    dx.Control(IDC_BLOCKS_LIST, m_list);
}

void CRecentBlocksDlg::OnScreenInit() {
    m_list.SetExtendedStyle(LVS_EX_FULLROWSELECT);
    AddColumns();
    FillList();
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
        m_list.SetItemText(nRow, 3, BlockReason(*pEntry));
        m_list.SetItemText(nRow, 4, BlockScheme(*pEntry));
        m_list.SetItemText(nRow, 5, pEntry->szProcess);
    }
}
