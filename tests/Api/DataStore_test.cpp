#include "Api/DataStore.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Api/PolicyApi.h"
#include "Api/portable/ErrorCodes.h"
#include "tests/support/FreshInstallation.h"

namespace {

using Texts = std::vector<std::string>;

// Calls a Set export with `texts` as the caller's list record.
template <class F>
int WithRecord(const Texts& texts, F&& call) {
    std::vector<char*> pointers;
    for (const std::string& text : texts) {
        pointers.push_back(const_cast<char*>(text.c_str()));
    }
    char** list = pointers.data();
    int count = static_cast<int>(pointers.size());
    return call(&list, &count);
}

Texts Received(char** list, int count) {
    Texts texts(list, list + count);
    FreeListMemory(&list, &count);
    return texts;
}

Texts UrlList(const char* szUser, int iAllowed) {
    char** list = nullptr;
    int count = 0;
    EXPECT_EQ(GetURLList(szUser, iAllowed, &list, &count), 1);
    return Received(list, count);
}

Texts AllUrls() {
    char** list = nullptr;
    int count = 0;
    EXPECT_EQ(GetAllURL(&list, &count), 1);
    return Received(list, count);
}

}  // namespace

TEST(DataStore, LongestValueRoundTripsAndALongerOneIsRefused) {
    CFreshInstallation install;
    CDataStore& store = *Store();
    const std::string strLongest(337, 'v');
    ASSERT_EQ(store.WriteString("USER1", "Note", strLongest.c_str()), 1);
    std::string strRead;
    ASSERT_EQ(store.ReadValue("USER1", "Note", strRead), 1);
    EXPECT_EQ(strRead, strLongest);

    EXPECT_EQ(store.WriteString("USER1", "Note", std::string(338, 'w').c_str()), 0);
    EXPECT_EQ(GetLastErrorCode(), ERR_DB_WRITE);
    ASSERT_EQ(store.ReadValue("USER1", "Note", strRead), 1);
    EXPECT_EQ(strRead, strLongest);
    // Nor can a too-long text take an element id that would have no value.
    EXPECT_EQ(store.AddElementToList("URL", std::string(338, 'u').c_str()), 0);
    EXPECT_EQ(store.GetLastN("URL"), 0);
}

TEST(DataStore, FreedElementIdsAreReusedOldestFirst) {
    CFreshInstallation install;
    CDataStore& store = *Store();
    EXPECT_EQ(store.AddElementToList("URL", "a"), 1);
    EXPECT_EQ(store.AddElementToList("URL", "b"), 2);
    EXPECT_EQ(store.AddElementToList("URL", "c"), 3);
    ASSERT_EQ(store.DeleteElement("URL", 2), 1);
    ASSERT_EQ(store.DeleteElement("URL", 1), 1);
    ASSERT_EQ(store.DeleteElement("URL", 1), 1);  // already free: nothing written
    EXPECT_EQ(AllUrls(), Texts{"c"});
    EXPECT_EQ(store.AddElementToList("URL", "d"), 2);
    EXPECT_EQ(store.AddElementToList("URL", "e"), 1);
    EXPECT_EQ(store.AddElementToList("URL", "f"), 4);
    EXPECT_EQ(AllUrls(), (Texts{"e", "d", "c", "f"}));
}

TEST(DataStore, ListsKeepTheirOrderAndShareGlobalTexts) {
    CFreshInstallation install;
    ASSERT_EQ(CreateUser("kid", "pw", USER_TYPE_USER), 1);
    ASSERT_EQ(
        WithRecord({"news", "games"}, [](auto l, auto c) { return SetURLList("kid", 0, l, c); }),
        1);
    ASSERT_EQ(WithRecord({"games"}, [](auto l, auto c) { return SetURLList("Default", 0, l, c); }),
              1);
    EXPECT_EQ(UrlList("kid", 0), (Texts{"news", "games"}));
    EXPECT_EQ(UrlList("Default", 0), Texts{"games"});
    EXPECT_EQ(UrlList("kid", 1), Texts{});
    EXPECT_EQ(AllUrls(), (Texts{"news", "games"}));

    // Writing the same list again reuses the ids: the global list does not grow.
    ASSERT_EQ(
        WithRecord({"games", "news"}, [](auto l, auto c) { return SetURLList("kid", 0, l, c); }),
        1);
    EXPECT_EQ(UrlList("kid", 0), (Texts{"games", "news"}));
    EXPECT_EQ(Store()->GetLastN("URL"), 2);
}

TEST(DataStore, CategoryListsDropUnknownNames) {
    CFreshInstallation install;
    ASSERT_EQ(WithRecord({"News", "Cooking", "Adult"},
                         [](auto l, auto c) { return SetCategoryList("Default", l, c); }),
              1);
    char** list = nullptr;
    int count = 0;
    ASSERT_EQ(GetCategoryList("Default", &list, &count), 1);
    EXPECT_EQ(Received(list, count), (Texts{"News", "Adult"}));
    EXPECT_EQ(IsCategoryExists("Cooking"), 0);
    EXPECT_EQ(IsCategoryExists("Null"), 1);
    EXPECT_EQ(IsCategoryExists("news"), 0);  // exact comparison
}

TEST(DataStore, UnknownUserAndUnreadableElements) {
    CFreshInstallation install;
    char** list = nullptr;
    int count = 5;
    EXPECT_EQ(GetURLList("ghost", 0, &list, &count), 0);
    EXPECT_EQ(GetLastErrorCode(), ERR_USER_NOT_FOUND);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(list, nullptr);

    // A list naming an element whose value is missing yields the rest of the list.
    ASSERT_EQ(WithRecord({"one"}, [](auto l, auto c) { return SetURLList("Default", 1, l, c); }),
              1);
    ASSERT_EQ(Store()->WriteString("USER1", "AURL", "99,1,-1"), 1);
    EXPECT_EQ(UrlList("Default", 1), Texts{"one"});
}

TEST(DataStore, UserCountFollowsCreateAndDelete) {
    CFreshInstallation install;
    CDataStore& store = *Store();
    EXPECT_EQ(store.GetUserCount(), 2);
    ASSERT_EQ(CreateUser("a", "pw", USER_TYPE_USER), 1);
    ASSERT_EQ(CreateUser("b", "pw", USER_TYPE_USER), 1);
    ASSERT_EQ(DeleteUser("a"), 1);
    EXPECT_EQ(store.GetUserCount(), 3);
    EXPECT_EQ(store.GetLastN("USER"), 4);
    EXPECT_EQ(store.IdExistsInUser("b", "AURL", 1), 0);
}
