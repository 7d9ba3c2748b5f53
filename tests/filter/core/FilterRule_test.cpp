#include "filter/core/FilterRule.h"

#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Api/PolicyApi.h"
#include "filter/core/SharedFilterState.h"
#include "tests/support/FreshInstallation.h"

namespace {

int SetList(int (*set)(const char*, int, char***, int*), const char* szUser, int iAllowed,
            std::vector<const char*> texts) {
    char** list = const_cast<char**>(texts.data());
    int count = static_cast<int>(texts.size());
    return set(szUser, iAllowed, &list, &count);
}

int SetCategories(const char* szUser, std::vector<const char*> texts) {
    char** list = const_cast<char**>(texts.data());
    int count = static_cast<int>(texts.size());
    return SetCategoryList(szUser, &list, &count);
}

class FilterRuleTest : public ::testing::Test {
protected:
    FilterRuleTest() {
        // The state is 2 MB: a copy from a static image, never a temporary on the stack.
        static const SharedFilterState s_initial;
        TheSharedState() = s_initial;
        TheSharedState().processCount = 1;
    }
    // Loads the rules of the profile in force, as a connect does.
    bool Reload(FilterRule& rule) {
        if (!rule.IsUpdateRequire()) {
            return false;
        }
        const bool bLoaded = rule.GetFilterRules();
        rule.SetUpdateRequire(0);
        return bLoaded;
    }
    std::string Judge(FilterRule& rule, std::string url, std::uint8_t& allowed) {
        char szWord[SharedFilterState::kWordSize] = {};
        return rule.IsURLWordBlocked(url, szWord, allowed) ? szWord : "";
    }

    CFreshInstallation m_install;
};

}  // namespace

TEST_F(FilterRuleTest, AllowedWordsWinAndMatchingIgnoresCase) {
    ASSERT_EQ(SetList(SetURLList, "Default", 1, {"news"}), 1);
    ASSERT_EQ(SetList(SetURLList, "Default", 0, {"new", "POKER"}), 1);
    FilterRule rule;
    ASSERT_TRUE(Reload(rule));
    std::uint8_t allowed = 9;
    EXPECT_EQ(Judge(rule, "daily-news.example/", allowed), "news");
    EXPECT_EQ(allowed, 1);
    EXPECT_EQ(Judge(rule, "newton.example/", allowed), "new");
    EXPECT_EQ(allowed, 0);
    EXPECT_EQ(Judge(rule, "games.example/play?game=Poker", allowed), "poker");
    EXPECT_EQ(Judge(rule, "games.example/", allowed), "");
    EXPECT_STREQ(TheSharedState().blockedWords[1], "poker");
}

TEST_F(FilterRuleTest, CategoriesExactWithNullAsTheDefault) {
    ASSERT_EQ(SetCategories("Default", {"Gambling"}), 1);
    FilterRule rule;
    ASSERT_TRUE(Reload(rule));
    EXPECT_TRUE(rule.IsCategoryBlocked("Gambling"));
    EXPECT_FALSE(rule.IsCategoryBlocked("gambling"));
    EXPECT_FALSE(rule.IsCategoryBlocked("News"));

    ASSERT_EQ(SetCategories("Default", {"Gambling", "Null"}), 1);
    UpdateRequire(1);
    ASSERT_TRUE(Reload(rule));
    EXPECT_TRUE(rule.IsCategoryBlocked("gambling"));  // not in the global list: "Null"
    EXPECT_TRUE(rule.IsCategoryBlocked("Cooking"));
    EXPECT_FALSE(rule.IsCategoryBlocked("News"));
    EXPECT_NE(m_install.CountInApiLog("API :: GetCategoryList"), 0);
}

TEST_F(FilterRuleTest, ReloadsOnceForTheSoleProcessAndThenOnlyWhenAsked) {
    FilterRule rule;
    UpdateRequire(0);
    EXPECT_TRUE(Reload(rule));  // the only process, rules never loaded
    EXPECT_FALSE(rule.IsUpdateRequire());
    EXPECT_EQ(IsUpdateRequire(), 0);

    // A second process (count 2) that never loaded does not reload either.
    TheSharedState().processCount = 2;
    FilterRule other;
    EXPECT_FALSE(other.IsUpdateRequire());

    ASSERT_EQ(CreateUser("teenager", "pw", USER_TYPE_USER), 1);
    ASSERT_EQ(SetList(SetURLList, "teenager", 0, {"chat"}), 1);
    ASSERT_EQ(UserLogIn("teenager"), 1);
    EXPECT_TRUE(Reload(other));
    EXPECT_STREQ(TheSharedState().currentUser, "teenager");
    EXPECT_STREQ(TheSharedState().blockedWords[0], "chat");
    EXPECT_EQ(TheSharedState().categoryServerAddress, ::inet_addr("127.0.0.1"));
    EXPECT_EQ(TheSharedState().categoryServerPort, 7300);
    EXPECT_EQ(std::string(TheSharedState().applicationPath), m_install.Folder());
    UserLogOut();
}

TEST_F(FilterRuleTest, LongProfileNamesReadTheirOwnLists) {
    const std::string strName(23, 'k');
    ASSERT_EQ(CreateUser(strName.c_str(), "pw", USER_TYPE_USER), 1);
    ASSERT_EQ(SetList(SetURLList, strName.c_str(), 0, {"games"}), 1);
    ASSERT_EQ(UserLogIn(strName.c_str()), 1);
    FilterRule rule;
    EXPECT_TRUE(Reload(rule));
    EXPECT_EQ(std::string(TheSharedState().currentUser), strName.substr(0, 20));
    EXPECT_STREQ(TheSharedState().blockedWords[0], "games");
    UserLogOut();
}

TEST_F(FilterRuleTest, ProfileThatCannotBeReadFailsTheReload) {
    ASSERT_EQ(UserLogIn("nobody"), 1);
    FilterRule rule;
    ASSERT_TRUE(rule.IsUpdateRequire());
    EXPECT_FALSE(rule.GetFilterRules());
    UserLogOut();
}

TEST_F(FilterRuleTest, KnownCategoriesAreThoseOfTheLastReload) {
    ASSERT_EQ(SetCategories("Default", {"Null"}), 1);
    FilterRule rule;
    ASSERT_TRUE(Reload(rule));
    ASSERT_NE(Store()->AddElementToList("CAT", "Cooking"), 0);
    EXPECT_TRUE(rule.IsCategoryBlocked("Cooking"));  // unknown at the reload: "Null"
    UpdateRequire(1);
    ASSERT_TRUE(Reload(rule));
    EXPECT_FALSE(rule.IsCategoryBlocked("Cooking"));
}
