// Who may change the settings: calls made by another process that loads the real
// PolicyApi.dll, with and without a proof, and their outcome read by a third.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Api/PolicyApi.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/FreshInstallation.h"
#include "win/UniqueHandle.h"

namespace {

using Lines = std::vector<std::string>;

constexpr char kRefused[] = "0 Not allowed: prove an administrator's password first";

class ChangeGuardTest : public ::testing::Test {
protected:
    ChangeGuardTest() {
        EXPECT_EQ(CreateUser("kid", "apple7", USER_TYPE_USER), 1);
        EXPECT_EQ(EndProof(), 1);
        // The library maps the shared block at its first use, not at its load.
        const auto pfnGetCurrentUser = reinterpret_cast<int (*)(char*)>(
            reinterpret_cast<void*>(::GetProcAddress(m_library.Get(), "GetCurrentUser")));
        char szUser[LOGGED_IN_NAME_SIZE] = {};
        EXPECT_EQ(pfnGetCurrentUser != nullptr ? pfnGetCurrentUser(szUser) : 0, 1);
    }

    // api_child.exe's answers to szCommands.
    Lines Child(const std::string& strCommands) {
        const std::string strOutput = m_install.Folder() + "child" + std::to_string(m_nRuns++);
        CChildProcess child(CChildProcess::Beside("api_child.exe"),
                            "\"" + strOutput + "\" " + strCommands);
        EXPECT_EQ(child.Wait(), 0u) << strCommands;
        return ReadLines(strOutput);
    }
    // What a process that changes nothing sees.
    Lines Seen() { return Child("filteroff user users blocked:Default blocked:kid"); }

    CFreshInstallation m_install;
    // Held and used for the whole test, so that the shared block (who is logged in) outlives
    // each child.
    CModule m_library{::LoadLibraryA("PolicyApi.dll")};
    int m_nRuns = 0;
};

}  // namespace

TEST_F(ChangeGuardTest, WithoutAProofEveryChangeIsRefusedAndNothingChanges) {
    const Lines before = Seen();
    EXPECT_EQ(before, (Lines{"filteroff 0", "user Default", "users Default,admin,kid",
                             "blocked Default ", "blocked kid "}));
    const char* const changes[] = {
        "filteroff",         "login=admin",     "login=kid",           "create=eve",
        "block=Default=web", "block=kid=poker", "password=admin=mine", "password=kid=mine",
        "group=kid=2",       "delete=kid",
    };
    std::string strCommands;
    Lines expected;
    for (const char* szChange : changes) {
        strCommands += std::string(" try:") + szChange;
        expected.push_back(std::string("try ") + szChange + " " + kRefused);
    }
    EXPECT_EQ(Child(strCommands), expected);
    EXPECT_EQ(Seen(), before);
    // The passwords are as they were.
    EXPECT_EQ(Child("prove:admin:secret prove:kid:apple7"),
              (Lines{"prove admin 1 Sucess", "prove kid 1 Sucess"}));
    EXPECT_EQ(m_install.CountInApiLog("API :: SetFilterOff refused to api_child.exe: Not "
                                      "allowed: prove an administrator's password first"),
              1);
    EXPECT_EQ(m_install.CountInApiLog("API :: UserLogIn refused to api_child.exe"), 2);
}

TEST_F(ChangeGuardTest, WhatOnlyTightensStaysOpen) {
    ASSERT_EQ(
        Child("prove:admin:secret try:filteroff try:login=admin"),
        (Lines{"prove admin 1 Sucess", "try filteroff 1 Sucess", "try login=admin 1 Sucess"}));
    EXPECT_EQ(Child("try:filteron try:logout try:endproof filteroff user"),
              (Lines{"try filteron 1 Sucess", "try logout 1 Sucess", "try endproof 1 Sucess",
                     "filteroff 0", "user Default"}));
}

TEST_F(ChangeGuardTest, AdministratorsProofAllowsEveryChangeUntilItEnds) {
    EXPECT_EQ(Child("prove:admin:secret try:create=eve try:block=Default=poker try:filteroff "
                    "try:password=kid=pear8 try:group=eve=2 try:login=admin try:endproof "
                    "try:delete=eve"),
              (Lines{"prove admin 1 Sucess", "try create=eve 1 Sucess",
                     "try block=Default=poker 1 Sucess", "try filteroff 1 Sucess",
                     "try password=kid=pear8 1 Sucess", "try group=eve=2 1 Sucess",
                     "try login=admin 1 Sucess", "try endproof 1 Sucess",
                     std::string("try delete=eve ") + kRefused}));
    EXPECT_EQ(Seen(), (Lines{"filteroff 1", "user admin", "users Default,admin,kid,eve",
                             "blocked Default poker", "blocked kid "}));
    EXPECT_EQ(IsAdmin("eve"), 1);
    EXPECT_EQ(Child("prove:kid:pear8"), (Lines{"prove kid 1 Sucess"}));
}

TEST_F(ChangeGuardTest, LoggingAnotherAccountInOrLoggingOutEndsTheProof) {
    EXPECT_EQ(Child("prove:admin:secret try:login=kid try:create=eve"),
              (Lines{"prove admin 1 Sucess", "try login=kid 1 Sucess",
                     std::string("try create=eve ") + kRefused}));
    EXPECT_EQ(Child("prove:admin:secret try:logout try:filteroff"),
              (Lines{"prove admin 1 Sucess", "try logout 1 Sucess",
                     std::string("try filteroff ") + kRefused}));
    EXPECT_EQ(Seen()[0], "filteroff 0");
}

TEST_F(ChangeGuardTest, ChildsProofAllowsOnlyTheChildsLoginAndPassword) {
    EXPECT_EQ(Child("prove:kid:apple7 try:login=admin try:password=admin=mine try:filteroff "
                    "try:block=kid=chess try:create=eve try:login=kid try:password=kid=pear8"),
              (Lines{"prove kid 1 Sucess", std::string("try login=admin ") + kRefused,
                     std::string("try password=admin=mine ") + kRefused,
                     std::string("try filteroff ") + kRefused,
                     std::string("try block=kid=chess ") + kRefused,
                     std::string("try create=eve ") + kRefused, "try login=kid 1 Sucess",
                     "try password=kid=pear8 1 Sucess"}));
    EXPECT_EQ(Seen(), (Lines{"filteroff 0", "user kid", "users Default,admin,kid",
                             "blocked Default ", "blocked kid "}));
    EXPECT_EQ(Child("prove:kid:pear8 prove:admin:secret"),
              (Lines{"prove kid 1 Sucess", "prove admin 1 Sucess"}));
}

TEST_F(ChangeGuardTest, ProofOfAnAccountThatWasDeletedOrDemotedNoLongerHolds) {
    ASSERT_EQ(ValidatePassword("admin", "secret"), 1);
    ASSERT_EQ(CreateUser("mum", "garden", USER_TYPE_ADMIN), 1);
    ASSERT_EQ(CreateUser("dad", "shed", USER_TYPE_ADMIN), 1);
    const CHandle mumProved(::CreateEventA(nullptr, TRUE, FALSE, "pc_test_mum_proved"));
    const CHandle mumGone(::CreateEventA(nullptr, TRUE, FALSE, "pc_test_mum_gone"));
    const CHandle dadProved(::CreateEventA(nullptr, TRUE, FALSE, "pc_test_dad_proved"));
    const CHandle dadDemoted(::CreateEventA(nullptr, TRUE, FALSE, "pc_test_dad_demoted"));
    const std::string strOutput = m_install.Folder() + "parents.txt";
    CChildProcess parents(CChildProcess::Beside("api_child.exe"),
                          "\"" + strOutput +
                              "\" prove:mum:garden signal:pc_test_mum_proved wait:pc_test_mum_gone "
                              "try:create=eve prove:dad:shed signal:pc_test_dad_proved "
                              "wait:pc_test_dad_demoted try:create=eve");
    ASSERT_EQ(::WaitForSingleObject(mumProved.Get(), 60000), WAIT_OBJECT_0);
    ASSERT_EQ(DeleteUser("mum"), 1);
    ::SetEvent(mumGone.Get());
    ASSERT_EQ(::WaitForSingleObject(dadProved.Get(), 60000), WAIT_OBJECT_0);
    ASSERT_EQ(SetGroup("dad", USER_TYPE_USER), 1);
    ::SetEvent(dadDemoted.Get());
    EXPECT_EQ(parents.Wait(), 0u);
    EXPECT_EQ(ReadLines(strOutput),
              (Lines{"prove mum 1 Sucess", std::string("try create=eve ") + kRefused,
                     "prove dad 1 Sucess", std::string("try create=eve ") + kRefused}));
}

TEST(ChangeGuard, UntilTheSettingsHoldAnAdministratorEverythingIsAllowed) {
    CFreshInstallation install("", true, CFreshInstallation::Proof::kNone);
    EXPECT_EQ(SetFilterOff(1), 1);
    EXPECT_EQ(UserLogIn("Default"), 1);
    EXPECT_EQ(CreateUser("kid", "apple7", USER_TYPE_USER), 1);
    EXPECT_EQ(CreateUser("admin", "secret", USER_TYPE_SUPER_ADMIN), 1);
    EXPECT_EQ(SetFilterOff(0), 1);
    EXPECT_EQ(SetFilterOff(1), 0);
    EXPECT_EQ(GetLastErrorCode(), 12);
    EXPECT_EQ(GetFilterOff(), 0);
    EXPECT_EQ(CreateUser("eve", "pw", USER_TYPE_USER), 0);
    EXPECT_EQ(IsUserExists("eve"), 0);
}
