#include "Api/portable/IdList.h"

#include <gtest/gtest.h>

TEST(IdList, TokensBeforeACommaAreIds) {
    const std::pair<const char*, std::vector<int>> cases[] = {
        {"-1", {}},
        {"5,-1", {5}},
        {"5,6", {5}},
        {"4,7,12,-1", {4, 7, 12}},
        {"", {}},
        {"x,-1", {0}},
        {",,-1", {0, 0}},
        {"3,3,-1", {3, 3}},
        {" 8,-1", {8}},
        {"9x,-1", {9}},
        {"99999999999,-1", {INT32_MAX}},
    };
    for (const auto& [text, ids] : cases) {
        EXPECT_EQ(ParseIdList(text), ids) << '"' << text << '"';
    }
}

TEST(IdList, FormatRoundTrips) {
    EXPECT_EQ(FormatIdList({}), "-1");
    EXPECT_EQ(FormatIdList({4, 7, 12}), "4,7,12,-1");
    EXPECT_EQ(ParseIdList(FormatIdList({1, 2, 3})), (std::vector<int>{1, 2, 3}));
}

TEST(IdList, ParseDecimalNeverOverflows) {
    EXPECT_EQ(ParseDecimal("42"), 42);
    EXPECT_EQ(ParseDecimal("-17"), -17);
    EXPECT_EQ(ParseDecimal("abc"), 0);
    EXPECT_EQ(ParseDecimal("-99999999999999999999"), INT32_MIN);
    EXPECT_EQ(ParseDecimal("99999999999999999999"), INT32_MAX);
}

TEST(IdList, CategoryLineSkipsEmptyPiecesAndKeepsBlanks) {
    using Names = std::vector<std::string>;
    EXPECT_EQ(SplitCategoryLine("Adult,,News,Sports"), (Names{"Adult", "News", "Sports"}));
    EXPECT_EQ(SplitCategoryLine("Adult,News,"), (Names{"Adult", "News"}));
    EXPECT_EQ(SplitCategoryLine(",Games"), (Names{"Games"}));
    EXPECT_EQ(SplitCategoryLine(" Chat ,x"), (Names{" Chat ", "x"}));
    EXPECT_EQ(SplitCategoryLine(""), Names{});
}
