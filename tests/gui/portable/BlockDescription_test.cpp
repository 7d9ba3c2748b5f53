// What the settings program says of a block, and which blocks its list shows in what order.
#include <gtest/gtest.h>

#include <cstring>

#include "gui/portable/BlockDescription.h"

namespace {

BlockJournalEntry Entry(unsigned long long ullSequence, const char* szProfile, int iPolicy,
                        const char* szMatch) {
    BlockJournalEntry entry = {};
    entry.ullSequence = ullSequence;
    entry.iPolicy = iPolicy;
    entry.iScheme = BLOCK_SCHEME_HTTP;
    std::strcpy(entry.szProfile, szProfile);
    std::strcpy(entry.szMatch, szMatch);
    return entry;
}

TEST(BlockDescription, ReasonSiteAndScheme) {
    EXPECT_EQ(BlockReason(Entry(1, "Default", 3, "poker")), "URL Word: poker");
    EXPECT_EQ(BlockReason(Entry(1, "Default", 4, "Gambling")), "Category: Gambling");
    EXPECT_EQ(BlockReason(Entry(1, "Default", 4, "")), "Category: Null (not yet in any category)");
    EXPECT_EQ(BlockReason(Entry(1, "Default", 5, "")), "settings corrupted");
    EXPECT_EQ(BlockReason(Entry(1, "Default", 6, "Internet is allowed again at 07:00")),
              "Time: Internet is allowed again at 07:00");
    EXPECT_EQ(BlockReason(Entry(1, "Default", BLOCK_EVENT_CLOCK_CHANGED,
                                "The system clock was set back by 180 minutes")),
              "The system clock was set back by 180 minutes");
    EXPECT_EQ(BlockReason(Entry(1, "Default", 99, "x")), "blocked");

    BlockJournalEntry entry = Entry(1, "Default", 3, "poker");
    EXPECT_EQ(BlockSite(entry), "(unknown site)");
    EXPECT_STREQ(BlockScheme(entry), "http");
    std::strcpy(entry.szHost, "casino.example");
    entry.iScheme = BLOCK_SCHEME_HTTPS;
    EXPECT_EQ(BlockSite(entry), "casino.example");
    EXPECT_STREQ(BlockScheme(entry), "https");

    // An event refused no site and came over no connection.
    entry.iPolicy = BLOCK_EVENT_CLOCK_CHANGED;
    EXPECT_EQ(BlockSite(entry), "");
    EXPECT_STREQ(BlockScheme(entry), "");
}

TEST(BlockDescription, NewestFirstForOneProfileOrAll) {
    const std::vector<BlockJournalEntry> entries = {
        Entry(7, "Default", 3, "a"), Entry(9, "Bob", 3, "b"), Entry(8, "Default", 3, "c"),
        Entry(10, "Bobby", 3, "d")};
    const auto Matches = [](const std::vector<const BlockJournalEntry*>& shown) {
        std::string str;
        for (const BlockJournalEntry* pEntry : shown) {
            str += pEntry->szMatch;
        }
        return str;
    };
    EXPECT_EQ(Matches(RecentBlocks(entries, true, "")), "dbca");
    EXPECT_EQ(Matches(RecentBlocks(entries, false, "Default")), "ca");
    EXPECT_EQ(Matches(RecentBlocks(entries, false, "Bob")), "b");
    EXPECT_EQ(Matches(RecentBlocks(entries, false, "Alice")), "");
}

}  // namespace
