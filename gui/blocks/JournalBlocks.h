// The blocks the journal holds, read through the policy library into a buffer kept for
// every read: the tray polls once a second.
#pragma once

#include <span>
#include <vector>

#include "Api/PolicyApi.h"

class CJournalBlocks {
public:
    // The entries numbered after ullAfter, oldest first, valid until the next call; none when
    // the journal cannot be read.
    std::span<const BlockJournalEntry> After(unsigned long long ullAfter);

private:
    // The most the journal keeps, and so the most one read returns.
    static constexpr int kJournalEntries = 256;

    std::vector<BlockJournalEntry> m_entries = std::vector<BlockJournalEntry>(kJournalEntries);
};
