#include "gui/portable/BlockDescription.h"

#include <algorithm>

#include "Api/portable/CategoryNames.h"

namespace {

// The policies of the block page.
constexpr int kPolicyUrlWord = 3;
constexpr int kPolicyCategory = 4;
constexpr int kPolicyCorrupted = 5;
constexpr int kPolicyTime = 6;

}  // namespace

std::string BlockSite(const BlockJournalEntry& entry) {
    if (entry.iPolicy >= BLOCK_JOURNAL_FIRST_EVENT) {
        return "";
    }
    return entry.szHost[0] != '\0' ? entry.szHost : "(unknown site)";
}

std::string BlockReason(const BlockJournalEntry& entry) {
    switch (entry.iPolicy) {
        case kPolicyUrlWord:
            return std::string("URL Word: ") + entry.szMatch;
        case kPolicyCategory:
            return "Category: " + CategoryShown(entry.szMatch);
        case kPolicyCorrupted:
            return "settings corrupted";
        case kPolicyTime:
            return std::string("Time: ") + entry.szMatch;
        case BLOCK_EVENT_CLOCK_CHANGED:
            return entry.szMatch;
        default:
            return "blocked";
    }
}

bool IsTimeBlock(const BlockJournalEntry& entry) {
    return entry.iPolicy == kPolicyTime;
}

const char* BlockScheme(const BlockJournalEntry& entry) {
    if (entry.iPolicy >= BLOCK_JOURNAL_FIRST_EVENT) {
        return "";
    }
    return entry.iScheme == BLOCK_SCHEME_HTTPS ? "https" : "http";
}

std::vector<const BlockJournalEntry*> RecentBlocks(std::span<const BlockJournalEntry> entries,
                                                   bool bAllProfiles,
                                                   const std::string& strProfile) {
    std::vector<const BlockJournalEntry*> shown;
    for (const BlockJournalEntry& entry : entries) {
        if (bAllProfiles || strProfile == entry.szProfile) {
            shown.push_back(&entry);
        }
    }
    std::sort(shown.begin(), shown.end(),
              [](const auto* pA, const auto* pB) { return pA->ullSequence > pB->ullSequence; });
    return shown;
}
