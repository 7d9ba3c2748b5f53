#include "Api/portable/ErrorCodes.h"

#include <gtest/gtest.h>

#include <string>

TEST(ErrorCodes, EveryCodeHasItsText) {
    const std::pair<int, std::string> expected[] = {
        {-1, "Failure"},
        {0, "Sucess"},
        {1, "Invalid User Name supplied"},
        {2, "Create User Failed"},
        {3, "User does not exists"},
        {4, "Super user can not be deleted"},
        {5, "Password does not match"},
        {6, "Failed to get windows directory"},
        {7, "Failed to get current directory"},
        {8, "File not found"},
        {9, "Failed to write in a database"},
        {10, "Failed to read from a database"},
        {11, "Parental Control Settings is corrupted"},
        {12, "Not allowed: prove an administrator's password first"},
        {14, "The time rules cannot be read"},
    };
    for (const auto& [code, text] : expected) {
        EXPECT_EQ(GetErrorMessage(code), text) << code;
    }
}

TEST(ErrorCodes, CodesOutsideTheTableGiveFailure) {
    for (int code : {-2, 15, 1000, -1000, INT32_MIN, INT32_MAX}) {
        EXPECT_STREQ(GetErrorMessage(code), "Failure") << code;
    }
}

TEST(ErrorCodes, LastMessageFollowsTheLastCode) {
    SetLastErrorCode(ERR_PASSWORD_MISMATCH);
    EXPECT_STREQ(GetLastErrorMessage(), "Password does not match");
    EXPECT_EQ(GetLastErrorCode(), ERR_PASSWORD_MISMATCH);
    SetLastErrorCode(42);
    EXPECT_STREQ(GetLastErrorMessage(), "Failure");
    SetLastErrorCode(ERR_SUCCESS);
    EXPECT_STREQ(GetLastErrorMessage(), "Sucess");
}

TEST(ErrorCodes, LockOutNamesTheWaitItWasGiven) {
    const std::pair<int, std::string> expected[] = {
        {30, "Too many attempts, try again in 30 seconds"},
        {7, "Too many attempts, try again in 7 seconds"},
        {10, "Too many attempts, try again in 10 seconds"},
        {0, "Too many attempts, try again in 1 seconds"},
        {1000, "Too many attempts, try again in 30 seconds"},
    };
    for (const auto& [seconds, text] : expected) {
        SetLastErrorWait(seconds);
        EXPECT_EQ(GetLastErrorCode(), ERR_TOO_MANY_ATTEMPTS);
        EXPECT_EQ(GetLastErrorMessage(), text) << seconds;
        EXPECT_EQ(GetErrorMessage(ERR_TOO_MANY_ATTEMPTS), text) << seconds;
    }
    SetLastErrorCode(ERR_SUCCESS);
}
