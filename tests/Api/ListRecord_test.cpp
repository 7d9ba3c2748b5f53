// Lists as they cross the library boundary: an array of text pointers and the texts, each a
// global-memory block of its own.
#include "Api/ListRecord.h"

#include <windows.h>

#include <gtest/gtest.h>

TEST(ListRecord, TextsAndArrayAreBlocksOfTheirOwn) {
    char** list = nullptr;
    int count = -1;
    ASSERT_TRUE(MakeListRecord({"news", "", "sports"}, &list, &count));
    ASSERT_EQ(count, 3);
    EXPECT_EQ(::GlobalSize(list), 3 * sizeof(char*));
    EXPECT_STREQ(list[0], "news");
    EXPECT_STREQ(list[1], "");
    EXPECT_GE(::GlobalSize(list[2]), sizeof "sports");
    EXPECT_EQ(ReadListRecord(&list, &count), (TextList{"news", "", "sports"}));
    ReleaseListRecord(list, count);
}

TEST(ListRecord, AnEmptyListIsNoBlockAtAll) {
    char** list = reinterpret_cast<char**>(&list);
    int count = 7;
    ASSERT_TRUE(MakeListRecord({}, &list, &count));
    EXPECT_EQ(list, nullptr);
    EXPECT_EQ(count, 0);
    ReleaseListRecord(list, count);
}

// A caller's count larger than its array must not make the release read or free past it.
TEST(ListRecord, ReleaseStopsAtTheArraysOwnSize) {
    char** list = nullptr;
    int count = 0;
    ASSERT_TRUE(MakeListRecord({"a", "b"}, &list, &count));
    ReleaseListRecord(list, 100000);
}

TEST(ListRecord, ACallersListSkipsNullEntries) {
    const char* texts[] = {"a", nullptr, "c"};
    char** list = const_cast<char**>(texts);
    int count = 3;
    EXPECT_EQ(ReadListRecord(&list, &count), (TextList{"a", "c"}));
    char** none = nullptr;
    EXPECT_TRUE(ReadListRecord(&none, &count).empty());
    EXPECT_TRUE(ReadListRecord(nullptr, &count).empty());
    EXPECT_TRUE(ReadListRecord(&list, nullptr).empty());
}
