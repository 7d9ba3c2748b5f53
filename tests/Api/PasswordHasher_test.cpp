// Passwords as the store keeps them: CNG's PBKDF2 against an independent reference, the
// stored form, and a password stored in clear before hashing replaced at its next check.
#include "Api/PasswordHasher.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "Api/PolicyApi.h"
#include "Api/RegFile.h"
#include "Api/portable/Crypto.h"
#include "Api/portable/PasswordHash.h"
#include "tests/support/FreshInstallation.h"

namespace {

// Python's hashlib.pbkdf2_hmac("sha256", b"apple7", bytes(range(16)), 1000).
const std::string kReference =
    "PBKDF2-SHA256$1000$000102030405060708090a0b0c0d0e0f$"
    "2daac8b4c06650af8492ebb8ff963cd4b8e76e58f9f10b81cb4f3e125183121d";

// The decoded password of an account, as the file and as the registry copy hold it.
std::string StoredInFile(const char* szSection) {
    std::string strStored;
    EXPECT_EQ(Store()->File().ReadText(szSection, "Password", strStored), 1);
    return strStored;
}
std::string StoredInCopy(const char* szSection) {
    std::string strStored;
    EXPECT_EQ(Store()->File().ReadCopyText(szSection, "Password", strStored), 1);
    return strStored;
}

}  // namespace

TEST(PasswordHasher, DerivesAsTheReferenceDoes) {
    EXPECT_EQ(MatchStoredPassword(kReference, "apple7"), PasswordMatch::kYes);
    EXPECT_EQ(MatchStoredPassword(kReference, "apple8"), PasswordMatch::kNo);
    EXPECT_EQ(MatchStoredPassword(kReference, ""), PasswordMatch::kNo);
}

TEST(PasswordHasher, NewPasswordsGetTheirOwnSaltAndTheTunedCount) {
    const auto first = MakeStoredPassword("apple7");
    const auto second = MakeStoredPassword("apple7");
    ASSERT_TRUE(first && second);
    EXPECT_NE(*first, *second);
    const auto hash = ParsePasswordHash(*first);
    ASSERT_TRUE(hash);
    EXPECT_EQ(hash->uIterations, kPasswordIterations);
    EXPECT_EQ(hash->salt.size(), kPasswordSaltSize);
    EXPECT_EQ(MatchStoredPassword(*first, "apple7"), PasswordMatch::kYes);
    EXPECT_EQ(MatchStoredPassword(*second, "Apple7"), PasswordMatch::kNo);
    // The text passes through the value encoding like every other value.
    EXPECT_LE(first->size(), CCrypto::kMaxClearLength);
}

TEST(PasswordHasher, EmptyPasswordIsStoredEmptyAndProvesNothing) {
    EXPECT_EQ(MakeStoredPassword(""), std::string());
    EXPECT_EQ(MatchStoredPassword("", ""), PasswordMatch::kNo);
    CFreshInstallation install;
    EXPECT_EQ(ValidatePassword("Default", ""), 0);
    EXPECT_STREQ(GetLastErrorMessage(), "Password does not match");
}

TEST(PasswordHasher, AccountsKeepOnlyHashesInTheFileAndItsCopy) {
    CFreshInstallation install;
    ASSERT_EQ(CreateUser("kid", "apple7", USER_TYPE_USER), 1);
    for (const char* szSection : {"USER2", "USER3"}) {
        const std::string strStored = StoredInFile(szSection);
        EXPECT_TRUE(ParsePasswordHash(strStored)) << szSection << ": " << strStored;
        EXPECT_EQ(StoredInCopy(szSection), strStored);
    }
    ASSERT_EQ(ChangePassword("kid", "pear8"), 1);
    EXPECT_TRUE(ParsePasswordHash(StoredInFile("USER3")));
    EXPECT_EQ(ValidatePassword("kid", "apple7"), 0);
    EXPECT_EQ(ValidatePassword("kid", "pear8"), 1);
}

TEST(PasswordHasher, PasswordStoredInClearStillProvesAndIsReplacedByItsHash) {
    CFreshInstallation install;
    ASSERT_EQ(CreateUser("kid", "apple7", USER_TYPE_USER), 1);
    // As a settings file from before hashing holds it.
    ASSERT_EQ(Store()->WriteString("USER3", "Password", "apple7"), 1);
    ASSERT_EQ(ValidatePassword("kid", "apple8"), 0);
    EXPECT_EQ(StoredInFile("USER3"), "apple7");

    ASSERT_EQ(ValidatePassword("kid", "apple7"), 1);
    const std::string strStored = StoredInFile("USER3");
    EXPECT_TRUE(ParsePasswordHash(strStored)) << strStored;
    EXPECT_EQ(StoredInCopy("USER3"), strStored);
    EXPECT_EQ(ValidatePassword("kid", "apple7"), 1);
    EXPECT_EQ(StoredInFile("USER3"), strStored);
    EXPECT_EQ(install.CountInApiLog("API :: Stored password replaced by its hash"), 1);
}
