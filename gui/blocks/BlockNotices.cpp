#include "gui/blocks/BlockNotices.h"

#include <windows.h>

#include "gui/app/GuiLog.h"
#include "gui/portable/BlockDescription.h"

void CBlockNotices::Start() {
    const std::span<const BlockJournalEntry> entries = m_journal.After(0);
    if (!entries.empty()) {
        m_ullLastRead = entries.back().ullSequence;
    }
}

void CBlockNotices::Poll() {
    const std::uint64_t ullNowMs = ::GetTickCount64();
    for (const BlockJournalEntry& entry : m_journal.After(m_ullLastRead)) {
        m_ullLastRead = entry.ullSequence;
        // Events (the clock set) are no blocks to tell of.
        if (entry.iPolicy >= BLOCK_JOURNAL_FIRST_EVENT) {
            continue;
        }
        m_throttle.Add(BlockSite(entry), BlockReason(entry) + "\nProfile: " + entry.szProfile,
                       ullNowMs);
    }
    if (const auto notice = m_throttle.Next(ullNowMs)) {
        Show(*notice);
    }
}

void CBlockNotices::Tell(const std::string& strTitle, const std::string& strText) {
    m_throttle.AddFirst(strTitle, strText);
}

void CBlockNotices::Show(const CNoticeThrottle::Notice& notice) {
    const std::string strTitle =
        notice.strTitle.empty() ? "Blocked: " + notice.strSite : notice.strTitle;
    std::string strText = notice.strText;
    if (notice.nMore > 0) {
        strText += "\nand " + std::to_string(notice.nMore) + " more";
    }
    const bool bShown = m_trayIcon.ShowBalloon(strTitle, strText);
    // One line in the log: the text's lines joined.
    std::string strLine;
    for (const char c : strText) {
        strLine += c == '\n' ? std::string("; ") : std::string(1, c);
    }
    gGuiLog.Write("CBlockNotices :: " + std::string(bShown ? "notice " : "notice not shown ") +
                      strTitle + "; " + strLine,
                  1);
}
