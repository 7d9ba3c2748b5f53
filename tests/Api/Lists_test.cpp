#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "Api/PolicyApi.h"
#include "tests/support/FreshInstallation.h"

namespace {

using Texts = std::vector<std::string>;

Texts Received(char** list, int count) {
    Texts texts(list, list + count);
    FreeListMemory(&list, &count);
    return texts;
}

Texts AllCategories() {
    char** list = nullptr;
    int count = 0;
    EXPECT_EQ(GetAllCategory(&list, &count), 1);
    return Received(list, count);
}

// The category file the library merges, made for one test and removed after it.
class CCategoryFile {
public:
    explicit CCategoryFile(const std::string& strFirstLine) {
        std::filesystem::create_directories(kFolder);
        std::ofstream(kPath) << strFirstLine << "\nIgnored,Second,Line\n";
    }
    CCategoryFile(const CCategoryFile&) = delete;
    CCategoryFile& operator=(const CCategoryFile&) = delete;
    ~CCategoryFile() { std::filesystem::remove_all("C:\\pellorlsp"); }

private:
    static constexpr const char* kFolder = "C:\\pellorlsp\\output";
    static constexpr const char* kPath = "C:\\pellorlsp\\output\\category.txt";
};

}  // namespace

TEST(Lists, CategoryFileAddsNewNamesOnce) {
    CFreshInstallation install;
    const CCategoryFile file("Cooking,,Travel,News,Cooking,Pets");
    ASSERT_EQ(ReadCategoryFile(), 1);
    const Texts expected = {"Adult", "Gambling", "News",   "Sports",
                            "Null",  "Cooking",  "Travel", "Pets"};
    EXPECT_EQ(AllCategories(), expected);
    ASSERT_EQ(ReadCategoryFile(), 1);
    EXPECT_EQ(AllCategories(), expected);
}

TEST(Lists, MissingCategoryFileMergesNothing) {
    CFreshInstallation install;
    std::filesystem::remove_all("C:\\pellorlsp");
    EXPECT_EQ(ReadCategoryFile(), 1);
    EXPECT_EQ(AllCategories().size(), 5u);
}

TEST(Lists, WordCategoriesAndWordsRoundTrip) {
    CFreshInstallation install;
    const char* kCats[] = {"Violence", "Slang"};
    const char* kWords[] = {"fight", "dude"};
    char** cats = const_cast<char**>(kCats);
    char** words = const_cast<char**>(kWords);
    int nCats = 2;
    int nWords = 2;
    int* map = static_cast<int*>(::GlobalAlloc(GPTR, 2 * sizeof(int)));
    map[0] = 1;  // "fight" is "Slang", "dude" is "Violence": indexes, not ids
    map[1] = 0;
    ASSERT_EQ(SetAllCatAndWord(&cats, &words, &map, &nCats, &nWords), 1);
    ::GlobalFree(map);

    char** gotCats = nullptr;
    char** gotWords = nullptr;
    int* gotMap = nullptr;
    int nGotCats = 0;
    int nGotWords = 0;
    ASSERT_EQ(GetAllCatAndWord(&gotCats, &gotWords, &gotMap, &nGotCats, &nGotWords), 1);
    EXPECT_EQ(Received(gotCats, nGotCats), (Texts{"Violence", "Slang"}));
    EXPECT_EQ(Received(gotWords, nGotWords), (Texts{"fight", "dude"}));
    ASSERT_NE(gotMap, nullptr);
    EXPECT_EQ(gotMap[0], 1);
    EXPECT_EQ(gotMap[1], 0);
    ::GlobalFree(gotMap);

    // Replacing with one category drops the other and the words that are no longer given.
    const char* kOneCat[] = {"Slang"};
    const char* kOneWord[] = {"dude"};
    cats = const_cast<char**>(kOneCat);
    words = const_cast<char**>(kOneWord);
    nCats = 1;
    nWords = 1;
    map = static_cast<int*>(::GlobalAlloc(GPTR, sizeof(int)));
    ASSERT_EQ(SetAllCatAndWord(&cats, &words, &map, &nCats, &nWords), 1);
    ::GlobalFree(map);
    char** list = nullptr;
    int count = 0;
    ASSERT_EQ(GetAllWordCat(&list, &count), 1);
    EXPECT_EQ(Received(list, count), Texts{"Slang"});
    ASSERT_EQ(GetAllWord(&list, &count), 1);
    EXPECT_EQ(Received(list, count), Texts{"dude"});
}

TEST(Lists, SetAllCatAndWordRefusesMissingInputs) {
    CFreshInstallation install;
    char** none = nullptr;
    int* noMap = nullptr;
    int n = 0;
    EXPECT_EQ(SetAllCatAndWord(&none, &none, &noMap, &n, &n), 0);
    EXPECT_EQ(install.CountInApiLog("API :: Cat is NULL"), 1);
}

TEST(Lists, FreeListMemoryTwiceChangesNothing) {
    CFreshInstallation install;
    char** list = nullptr;
    int count = 0;
    ASSERT_EQ(GetAllCategory(&list, &count), 1);
    ASSERT_NE(list, nullptr);
    FreeListMemory(&list, &count);
    EXPECT_EQ(list, nullptr);
    EXPECT_EQ(count, 0);
    FreeListMemory(&list, &count);
    EXPECT_EQ(install.CountInApiLog("API :: List is already free"), 1);
}

TEST(Lists, GetReleasesAListHandedBackAndSurvivesAWrongCount) {
    CFreshInstallation install;
    char** list = nullptr;
    int count = 0;
    ASSERT_EQ(GetAllCategory(&list, &count), 1);
    count += 1000;  // more than the array holds: only the array's own entries are released
    ASSERT_EQ(GetCategoryList("Default", &list, &count), 1);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(list, nullptr);
}

TEST(Lists, ClearPrunesOnlyUnreferencedElementsWhileAnUpdateIsDue) {
    CFreshInstallation install;
    const char* kUrls[] = {"kept", "dropped"};
    char** urls = const_cast<char**>(kUrls);
    int n = 2;
    ASSERT_EQ(SetURLList("Default", 0, &urls, &n), 1);
    n = 1;
    ASSERT_EQ(SetURLList("Default", 0, &urls, &n), 1);  // "dropped" is now unreferenced

    UpdateRequire(0);
    ClearURL();
    char** list = nullptr;
    int count = 0;
    ASSERT_EQ(GetAllURL(&list, &count), 1);
    EXPECT_EQ(Received(list, count), (Texts{"kept", "dropped"}));

    UpdateRequire(1);
    ClearURL();
    ASSERT_EQ(GetAllURL(&list, &count), 1);
    EXPECT_EQ(Received(list, count), Texts{"kept"});
}
