#include "gui/blocks/JournalBlocks.h"

#include <cstddef>

std::span<const BlockJournalEntry> CJournalBlocks::After(unsigned long long ullAfter) {
    int nCount = 0;
    if (ReadBlockJournal(ullAfter, m_entries.data(), kJournalEntries, &nCount) != 1) {
        nCount = 0;
    }
    return {m_entries.data(), static_cast<std::size_t>(nCount)};
}
