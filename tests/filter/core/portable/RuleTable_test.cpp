#include "filter/core/portable/RuleTable.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

struct CTable {
    explicit CTable(std::size_t nEntries, std::size_t nSize)
        : storage(nEntries * nSize, 'x'), table(storage.data(), nEntries, nSize) {}
    std::vector<char> storage;
    CRuleTable table;
};

}  // namespace

TEST(RuleTable, FillCutsEntriesAndCountAndEndsTheList) {
    CTable t(3, 6);
    const std::string longWord(50, 'w');
    const char* texts[] = {"ab", "", longWord.c_str(), "cd", "ef"};
    t.table.Fill(texts, 5);
    EXPECT_STREQ(t.table.Entry(0), "ab");
    EXPECT_STREQ(t.table.Entry(1), "wwwww");
    EXPECT_STREQ(t.table.Entry(2), "cd");
    t.table.Fill(texts, 1);
    EXPECT_STREQ(t.table.Entry(1), "");
    EXPECT_STREQ(t.table.Entry(2), "");
}

TEST(RuleTable, FirstWordInTableOrderWinsIgnoringCase) {
    CTable t(4, 16);
    const char* words[] = {"POKER", "news", "new"};
    t.table.Fill(words, 3);
    EXPECT_EQ(t.table.FindWordIn("casino.example/poker?x=1"), 0);
    EXPECT_STREQ(t.table.Entry(0), "poker");  // lower-cased where it is stored
    EXPECT_EQ(t.table.FindWordIn("newsroom.example/"), 1);
    EXPECT_EQ(t.table.FindWordIn("newton.example/"), 2);
    EXPECT_EQ(t.table.FindWordIn("other.example/"), -1);
    // An empty entry ends the list.
    t.table.Entry(1)[0] = '\0';
    EXPECT_EQ(t.table.FindWordIn("newton.example/"), -1);
}

TEST(RuleTable, CategoriesCompareExactly) {
    CTable t(4, 31);
    const char* categories[] = {"Gambling", "Null"};
    t.table.Fill(categories, 2);
    EXPECT_TRUE(t.table.Contains("Gambling"));
    EXPECT_FALSE(t.table.Contains("gambling"));
    EXPECT_FALSE(t.table.Contains("Gamblin"));
    EXPECT_FALSE(t.table.Contains(""));
}

// The tables live in memory any process of the session may write: an entry without its
// terminator is read as its own bytes only, never run on into the next entry or past the end.
TEST(RuleTable, AnUnterminatedEntryEndsWithItsOwnBytes) {
    CTable t(2, 4);
    std::memcpy(t.storage.data(), "abcd", 4);
    std::memcpy(t.storage.data() + 4, "xyzw", 4);
    EXPECT_EQ(t.table.FindWordIn("--abc--"), 0);
    EXPECT_EQ(t.table.FindWordIn("--xyz--"), 1);
    EXPECT_EQ(t.table.FindWordIn("abcdxyz"), 0);
    EXPECT_TRUE(t.table.Contains("xyz"));
    EXPECT_FALSE(t.table.Contains("abcdxyzw"));
}
