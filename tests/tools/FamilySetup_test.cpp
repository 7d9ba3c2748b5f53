// pcfamily's set-up of accounts and lists through the library, and its journal lines.
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Api/PolicyApi.h"
#include "tests/support/FreshInstallation.h"
#include "tools/family/FamilySetup.h"
#include "tools/family/Journal.h"

namespace {

using ListGetter = int (*)(const char*, char***, int*);

std::vector<std::string> ListOf(ListGetter pGet, const char* szProfile) {
    char** list = nullptr;
    int count = 0;
    EXPECT_EQ(pGet(szProfile, &list, &count), 1) << GetLastErrorMessage();
    std::vector<std::string> texts(list, list + count);
    FreeListMemory(&list, &count);
    return texts;
}

int BlockedWords(const char* szUser, char*** list, int* count) {
    return GetURLList(szUser, 0, list, count);
}

int AllowedWords(const char* szUser, char*** list, int* count) {
    return GetURLList(szUser, 1, list, count);
}

using Texts = std::vector<std::string>;

class FamilySetupTest : public ::testing::Test {
protected:
    CFreshInstallation m_install;
};

TEST_F(FamilySetupTest, ListsAreReplacedWholeAndTheFilterIsToldToReload) {
    std::string strError;
    ASSERT_TRUE(SetProfileLists("Default", {{"poker", "dice"}, {"chess"}, {"Gambling"}}, strError))
        << strError;
    EXPECT_EQ(ListOf(BlockedWords, "Default"), (Texts{"poker", "dice"}));
    EXPECT_EQ(ListOf(AllowedWords, "Default"), (Texts{"chess"}));
    EXPECT_EQ(ListOf(GetCategoryList, "Default"), (Texts{"Gambling"}));

    UpdateRequire(0);
    // A list left out is emptied, not kept.
    ASSERT_TRUE(SetProfileLists("Default", {{}, {}, {"News"}}, strError)) << strError;
    EXPECT_EQ(ListOf(BlockedWords, "Default"), Texts{});
    EXPECT_EQ(ListOf(AllowedWords, "Default"), Texts{});
    EXPECT_EQ(ListOf(GetCategoryList, "Default"), (Texts{"News"}));
    EXPECT_EQ(IsUpdateRequire(), 1);
}

TEST_F(FamilySetupTest, ListsOfAProfileNobodyHasFailWithTheLibrarysReason) {
    std::string strError;
    EXPECT_FALSE(SetProfileLists("nobody", {{"poker"}, {}, {}}, strError));
    EXPECT_NE(strError.find("nobody's blocked words: "), std::string::npos) << strError;
}

TEST_F(FamilySetupTest, AFamilyMemberIsMadeOnceAndLaterOnlyGetsTheNewPassword) {
    std::string strError;
    ASSERT_TRUE(MakeFamilyMember("sam", "apple7", strError)) << strError;
    EXPECT_EQ(ValidatePassword("sam", "apple7"), 1);
    EXPECT_EQ(IsAdmin("sam"), 0);

    ASSERT_TRUE(MakeFamilyMember("sam", "pear8", strError)) << strError;
    EXPECT_EQ(ValidatePassword("sam", "pear8"), 1);
    EXPECT_EQ(ValidatePassword("sam", "apple7"), 0);
    char** users = nullptr;
    int count = 0;
    ASSERT_EQ(GetAllUsers(users, count), 1);
    const Texts all(users, users + count);
    FreeListMemory(&users, &count);
    EXPECT_EQ(std::count(all.begin(), all.end(), "sam"), 1);
}

TEST(FamilySetup, SplitListDropsEmptyParts) {
    EXPECT_EQ(SplitList("poker,,fight,"), (Texts{"poker", "fight"}));
    EXPECT_EQ(SplitList(""), Texts{});
    EXPECT_EQ(SplitList(","), Texts{});
    EXPECT_EQ(SplitList("Null"), Texts{"Null"});
}

TEST(FamilyJournal, ALineHasEveryFieldAndNothingThatWouldSplitIt) {
    BlockJournalEntry entry = {};
    entry.ullSequence = 42;
    entry.iPolicy = 4;
    entry.iScheme = BLOCK_SCHEME_HTTPS;
    std::strcpy(entry.szProfile, "sam");
    std::strcpy(entry.szProcess, "filter-proxy.exe");
    std::strcpy(entry.szHost, "games.example");
    std::strcpy(entry.szMatch, "Games\tand\nmore");
    EXPECT_EQ(JournalLine(entry),
              "42\tsam\thttps\tgames.example\tCategory\tGames and more\tfilter-proxy.exe\t");

    entry.iPolicy = 3;
    entry.iScheme = BLOCK_SCHEME_HTTP;
    std::strcpy(entry.szUrl, "news.example:80/big-fight");
    EXPECT_NE(JournalLine(entry).find("\thttp\t"), std::string::npos);
    EXPECT_NE(JournalLine(entry).find("\tURL Word\t"), std::string::npos);
}

TEST(FamilyJournal, AFieldWithoutItsEndIsCutAtItsArray) {
    BlockJournalEntry entry = {};
    // Filled to the last byte, as a torn or hostile entry might be; the next field follows.
    std::memset(entry.szProfile, 'p', sizeof entry.szProfile);
    std::strcpy(entry.szProcess, "x.exe");
    const std::string strLine = JournalLine(entry);
    EXPECT_NE(strLine.find("\t" + std::string(sizeof entry.szProfile, 'p') + "\thttp\t"),
              std::string::npos)
        << strLine;
    EXPECT_NE(strLine.find("\tUnknown\t"), std::string::npos);
}

}  // namespace
