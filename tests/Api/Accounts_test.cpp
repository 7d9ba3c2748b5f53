#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Api/PolicyApi.h"
#include "Api/portable/ErrorCodes.h"
#include "tests/support/FreshInstallation.h"

namespace {

std::vector<std::string> AllUsers() {
    char** list = nullptr;
    int count = 0;
    std::vector<std::string> names;
    if (GetAllUsers(list, count)) {
        names.assign(list, list + count);
        FreeListMemory(&list, &count);
    }
    return names;
}

std::string CurrentUser() {
    char szName[24] = {};
    EXPECT_EQ(GetCurrentUser(szName), 1);
    return szName;
}

}  // namespace

TEST(Accounts, FreshInstallationHoldsDefaultAndAdmin) {
    CFreshInstallation install;
    EXPECT_EQ(AllUsers(), (std::vector<std::string>{"Default", "admin"}));
    EXPECT_EQ(IsSuperAdmin("admin"), 1);
    EXPECT_EQ(IsAdmin("Default"), 0);
    EXPECT_EQ(ValidatePassword("admin", "secret"), 1);
    // The Default profile has no password, and no password proves it.
    EXPECT_EQ(ValidatePassword("Default", ""), 0);
}

TEST(Accounts, NamesIgnoreCaseButPasswordsDoNot) {
    CFreshInstallation install;
    EXPECT_EQ(IsAdmin("ADMIN"), 1);
    EXPECT_EQ(IsUserExists("aDmIn"), 1);
    EXPECT_EQ(ValidatePassword("Admin", "SECRET"), 0);
    EXPECT_STREQ(GetLastErrorMessage(), "Password does not match");
    // A later call that leaves the store alone keeps the code.
    CurrentUser();
    EXPECT_STREQ(GetLastErrorMessage(), "Password does not match");
}

TEST(Accounts, UnknownNamesFailWithUserNotFound) {
    CFreshInstallation install;
    EXPECT_EQ(IsAdmin("nobody"), 0);
    EXPECT_STREQ(GetLastErrorMessage(), "User does not exists");
    EXPECT_EQ(IsUserExists("nobody"), 0);
    EXPECT_EQ(DeleteUser("nobody"), 0);
    EXPECT_EQ(GetLastErrorCode(), ERR_USER_NOT_FOUND);
    EXPECT_EQ(ValidatePassword(nullptr, "x"), 0);
    EXPECT_EQ(GetLastErrorCode(), ERR_USER_NOT_FOUND);
    EXPECT_EQ(ChangePassword("nobody", "x"), 0);
    EXPECT_NE(install.CountInApiLog("API :: User does not exists"), 0);
}

TEST(Accounts, SuperAdministratorCannotBeDeletedNorRegrouped) {
    CFreshInstallation install;
    EXPECT_EQ(DeleteUser("admin"), 0);
    EXPECT_STREQ(GetLastErrorMessage(), "Super user can not be deleted");
    EXPECT_EQ(IsUserExists("admin"), 1);

    ASSERT_EQ(CreateUser("kid", "pw", USER_TYPE_USER), 1);
    EXPECT_EQ(SetGroup("kid", 1), 0);
    EXPECT_EQ(IsAdmin("kid"), 0);
    EXPECT_EQ(SetGroup("kid", 2), 1);
    EXPECT_EQ(IsAdmin("kid"), 1);
    EXPECT_EQ(IsSuperAdmin("kid"), 0);
}

TEST(Accounts, DeletedIdIsReusedWithEmptyLists) {
    CFreshInstallation install("");  // only "Default", id 1
    ASSERT_EQ(CreateUser("two", "pw", USER_TYPE_USER), 1);
    ASSERT_EQ(CreateUser("three", "pw", USER_TYPE_USER), 1);
    const char* kUrls[] = {"games", "chat"};
    char** urls = const_cast<char**>(kUrls);
    int nUrls = 2;
    ASSERT_EQ(SetURLList("two", 0, &urls, &nUrls), 1);
    ASSERT_EQ(SetWordList("two", &urls, &nUrls), 1);

    ASSERT_EQ(DeleteUser("two"), 1);
    EXPECT_EQ(IsUserExists("two"), 0);
    ASSERT_EQ(CreateUser("newcomer", "pw2", USER_TYPE_USER), 1);
    EXPECT_EQ(Store()->GetUserId("newcomer"), 2);
    EXPECT_EQ(Store()->GetLastN("USER"), 3);
    for (const char* szKey : kUserListKeys) {
        CDataStore::TextList values;
        EXPECT_EQ(Store()->GetUserList(2, szKey, values), 1);
        EXPECT_TRUE(values.empty()) << szKey;
    }
    EXPECT_EQ(AllUsers(), (std::vector<std::string>{"Default", "newcomer", "three"}));
}

TEST(Accounts, WholeStoredPasswordIsCompared) {
    CFreshInstallation install("abcdefghijklmnopqrst");  // 20 characters
    EXPECT_EQ(ValidatePassword("admin", "abcdefghijklmnopqrst"), 1);
    EXPECT_EQ(ValidatePassword("admin", "abcdefghijklmno"), 0);
    ASSERT_EQ(ChangePassword("admin", "new"), 1);
    EXPECT_EQ(ValidatePassword("admin", "new"), 1);
}

TEST(Accounts, LoginAndLogoutSetTheSharedNameAndTheUpdateFlag) {
    CFreshInstallation install;
    UpdateRequire(0);
    ASSERT_EQ(UserLogIn("kid"), 1);
    EXPECT_EQ(CurrentUser(), "kid");
    EXPECT_EQ(IsUpdateRequire(), 1);
    EXPECT_NE(install.CountInApiLog("API :: User Loggedin is kid"), 0);

    // 23 characters fit; 24 would be cut into another name, so the login is refused. (The
    // login of another account ended the proof: proved again.)
    ASSERT_EQ(ValidatePassword("admin", "secret"), 1);
    const std::string strLongest(23, 'n');
    ASSERT_EQ(UserLogIn(strLongest.c_str()), 1);
    EXPECT_EQ(CurrentUser(), strLongest);
    EXPECT_EQ(UserLogIn(std::string(24, 'm').c_str()), 0);
    EXPECT_EQ(CurrentUser(), strLongest);
    EXPECT_EQ(UserLogIn(nullptr), 0);

    UpdateRequire(0);
    ASSERT_EQ(UserLogOut(), 1);
    EXPECT_EQ(CurrentUser(), "Default");
    EXPECT_EQ(IsUpdateRequire(), 1);
    EXPECT_EQ(GetCurrentUser(nullptr), 0);
}

TEST(Accounts, OverlongNamesAreRefusedBeforeAnIdIsTaken) {
    CFreshInstallation install;
    const std::string strHuge(400, 'x');
    EXPECT_EQ(CreateUser(strHuge.c_str(), "pw", USER_TYPE_USER), 0);
    EXPECT_EQ(GetLastErrorCode(), ERR_DB_WRITE);
    EXPECT_EQ(CreateUser("kid", strHuge.c_str(), USER_TYPE_USER), 0);
    EXPECT_EQ(Store()->GetLastN("USER"), 2);
    EXPECT_EQ(IsUserExists("admin"), 1);
    EXPECT_EQ(ChangePassword("admin", strHuge.c_str()), 0);
    EXPECT_EQ(ValidatePassword("admin", "secret"), 1);
}

// Every export handed NULL where a pointer is expected fails without touching memory.
TEST(Accounts, NullArgumentsFailQuietly) {
    CFreshInstallation install;
    EXPECT_EQ(CreateUser(nullptr, "pw", 3), 0);
    EXPECT_EQ(CreateUser("kid", nullptr, 3), 0);
    EXPECT_EQ(DeleteUser(nullptr), 0);
    EXPECT_EQ(IsUserExists(nullptr), 0);
    EXPECT_EQ(IsAdmin(nullptr), 0);
    EXPECT_EQ(IsSuperAdmin(nullptr), 0);
    EXPECT_EQ(SetGroup(nullptr, 2), 0);
    EXPECT_EQ(ChangePassword("admin", nullptr), 0);
    EXPECT_EQ(GetIPList("Default", 1, nullptr, nullptr), 0);
    EXPECT_EQ(GetURLList(nullptr, 1, nullptr, nullptr), 0);
    EXPECT_EQ(GetCategoryList(nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(SetURLList("Default", 1, nullptr, nullptr), 0);
    EXPECT_EQ(SetWordList(nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(GetAllURL(nullptr, nullptr), 0);
    EXPECT_EQ(GetAllMap(nullptr, nullptr), 0);
    EXPECT_EQ(GetAllCatAndWord(nullptr, nullptr, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(SetAllCatAndWord(nullptr, nullptr, nullptr, nullptr, nullptr), 0);
    FreeListMemory(nullptr, nullptr);
    EXPECT_EQ(IsCategoryExists(nullptr), 0);
    EXPECT_EQ(GetServerIP(nullptr), 0);
    EXPECT_EQ(GetTLVServerIP(nullptr, nullptr), 0);
    EXPECT_EQ(GetApplicationPath(nullptr), 0);
    EXPECT_EQ(IsUserExists("Default"), 1);
}
