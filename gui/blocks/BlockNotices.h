// The tray notices of blocks: the journal read once a second on the owner's timer, and a
// balloon from the tray icon for each block the throttle lets through; other notices (of
// internet time) share its pace.
#pragma once

#include <string>

#include "gui/blocks/JournalBlocks.h"
#include "gui/login/TrayIcon.h"
#include "gui/portable/NoticeThrottle.h"

class CBlockNotices {
public:
    explicit CBlockNotices(CTrayIcon& trayIcon) noexcept : m_trayIcon(trayIcon) {}

    // Passes over what the journal holds already: notices tell of blocks from now on.
    void Start();
    // Takes in the blocks made since the last poll and shows the notice due, if any.
    void Poll();
    // A notice of no block (internet time), shown before the blocks waiting, at a poll.
    void Tell(const std::string& strTitle, const std::string& strText);

private:
    void Show(const CNoticeThrottle::Notice& notice);

    CTrayIcon& m_trayIcon;
    CJournalBlocks m_journal;
    CNoticeThrottle m_throttle;
    unsigned long long m_ullLastRead = 0;
};
