// Failed password checks on the real clock: what needs no waiting. The end of a lock-out is
// tested on a clock of the test's own, natively (AttemptLimit_test).
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "Api/PolicyApi.h"
#include "Api/portable/ErrorCodes.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/FreshInstallation.h"
#include "win/UniqueHandle.h"

namespace {

// The seconds a lock-out message names; 0 for any other text.
int WaitNamed(const std::string& strMessage) {
    const std::string strStart = "Too many attempts, try again in ";
    const std::string strEnd = " seconds";
    if (strMessage.rfind(strStart, 0) != 0 ||
        strMessage.size() <= strStart.size() + strEnd.size() ||
        strMessage.compare(strMessage.size() - strEnd.size(), strEnd.size(), strEnd) != 0) {
        return 0;
    }
    return std::atoi(strMessage.c_str() + strStart.size());
}

void FailFiveTimes(const char* szName) {
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(ValidatePassword(szName, ("guess" + std::to_string(i)).c_str()), 0);
        EXPECT_EQ(GetLastErrorCode(), ERR_PASSWORD_MISMATCH);
    }
}

}  // namespace

TEST(AttemptLedger, FiveFailuresRefuseThatAccountWhateverThePassword) {
    CFreshInstallation install;
    ASSERT_EQ(CreateUser("kid", "apple7", USER_TYPE_USER), 1);
    FailFiveTimes("kid");
    EXPECT_EQ(ValidatePassword("kid", "apple7"), 0);
    EXPECT_EQ(GetLastErrorCode(), ERR_TOO_MANY_ATTEMPTS);
    const int iSeconds = WaitNamed(GetLastErrorMessage());
    EXPECT_GE(iSeconds, 1) << GetLastErrorMessage();
    EXPECT_LE(iSeconds, 30);
    EXPECT_NE(install.CountInApiLog("API :: Too many attempts, try again in "), 0);
    // Another account of the same installation is not locked.
    EXPECT_EQ(ValidatePassword("admin", "secret"), 1);
}

TEST(AttemptLedger, SuccessBeforeTheFifthStartsTheCountAgain) {
    CFreshInstallation install;
    ASSERT_EQ(CreateUser("kid", "apple7", USER_TYPE_USER), 1);
    for (int i = 0; i < 4; ++i) {
        ASSERT_EQ(ValidatePassword("kid", "guess"), 0);
    }
    ASSERT_EQ(ValidatePassword("kid", "apple7"), 1);
    for (int i = 0; i < 4; ++i) {
        ASSERT_EQ(ValidatePassword("kid", "guess"), 0);
    }
    EXPECT_EQ(ValidatePassword("kid", "apple7"), 1);
}

// Two tests' installations, one after the other: the same account of the next one starts
// clean.
TEST(AttemptLedger, LockOutStaysWithItsInstallation) {
    {
        CFreshInstallation install;
        FailFiveTimes("admin");
        ASSERT_EQ(ValidatePassword("admin", "secret"), 0);
    }
    CFreshInstallation install("secret", true, CFreshInstallation::Proof::kNone);
    EXPECT_EQ(ValidatePassword("admin", "secret"), 1);
}

TEST(AttemptLedger, FailuresInOneProcessLockTheAccountForAnother) {
    CFreshInstallation install;
    ASSERT_EQ(CreateUser("kid", "apple7", USER_TYPE_USER), 1);
    const std::string strFirst = install.Folder() + "first.txt";
    const std::string strSecond = install.Folder() + "second.txt";
    const CHandle failed(::CreateEventA(nullptr, TRUE, FALSE, "pc_test_failed"));
    const CHandle done(::CreateEventA(nullptr, TRUE, FALSE, "pc_test_checked"));
    // The first stays until the second has checked: the count lives while the library does.
    CChildProcess first(CChildProcess::Beside("api_child.exe"),
                        "\"" + strFirst +
                            "\" prove:kid:a prove:kid:b prove:kid:c prove:kid:d prove:kid:e "
                            "signal:pc_test_failed wait:pc_test_checked");
    ASSERT_EQ(::WaitForSingleObject(failed.Get(), 60000), WAIT_OBJECT_0);
    CChildProcess second(CChildProcess::Beside("api_child.exe"),
                         "\"" + strSecond + "\" prove:kid:apple7 prove:admin:secret");
    EXPECT_EQ(second.Wait(), 0u);
    ::SetEvent(done.Get());
    EXPECT_EQ(first.Wait(), 0u);
    const std::vector<std::string> lines = ReadLines(strSecond);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].rfind("prove kid 0 Too many attempts, try again in ", 0), 0u) << lines[0];
    EXPECT_EQ(lines[1], "prove admin 1 Sucess");
}
