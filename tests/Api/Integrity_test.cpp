// The settings file against its digest and its registry copy.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

#include "Api/PolicyApi.h"
#include "Api/RegFile.h"
#include "Api/portable/Crypto.h"
#include "Api/portable/ErrorCodes.h"
#include "Api/portable/FileDigest.h"
#include "tests/support/FreshInstallation.h"
#include "win/UniqueHandle.h"

namespace {

// Writes straight into the file, behind the library's back.
void EditFile(const CFreshInstallation& install, const char* szSection, const char* szKey,
              const std::string& strClear) {
    CCrypto crypto;
    ASSERT_TRUE(crypto.Encode(strClear));
    ASSERT_TRUE(::WritePrivateProfileStringA(szSection, szKey, crypto.OutputText(),
                                             install.SettingsFile().c_str()));
}

std::string RawValue(const CFreshInstallation& install, const char* szSection, const char* szKey) {
    char szValue[4096] = {};
    ::GetPrivateProfileStringA(szSection, szKey, "", szValue, sizeof szValue,
                               install.SettingsFile().c_str());
    return szValue;
}

std::string RegistryValue(const char* szSection, const char* szKey) {
    std::string strValue;
    RegFile(nullptr).QueryValue((std::string(kContentKeyPath) + "\\" + szSection).c_str(), szKey,
                                strValue);
    return strValue;
}

std::string StoredDigest() {
    std::string strDigest;
    RegFile(nullptr).QueryValue(kContentKeyPath, kDigestValueName, strDigest);
    return strDigest;
}

}  // namespace

TEST(Integrity, HandEditedValueIsRestoredFromTheRegistryCopy) {
    CFreshInstallation install;
    const std::string strBefore = GetFileDigestText(install.SettingsFile());
    EditFile(install, "USER2", "Password", "guessed");
    const std::string strEdited = GetFileDigestText(install.SettingsFile());

    EXPECT_EQ(ValidatePassword("admin", "guessed"), 0);
    EXPECT_EQ(ValidatePassword("admin", "secret"), 1);
    EXPECT_EQ(install.CountInApiLog("IniFile :: MD5 match Failed: Actual=" + strEdited +
                                    "  Registry=" + strBefore),
              1);
    EXPECT_EQ(StoredDigest(), GetFileDigestText(install.SettingsFile()));
}

TEST(Integrity, DeletedFileIsRebuilt) {
    CFreshInstallation install;
    ASSERT_TRUE(std::filesystem::remove(install.SettingsFile()));
    EXPECT_EQ(IsSuperAdmin("admin"), 1);
    EXPECT_TRUE(std::filesystem::exists(install.SettingsFile()));
    EXPECT_EQ(IsCategoryExists("Sports"), 1);
}

TEST(Integrity, MissingDigestFailsEveryOperation) {
    CFreshInstallation install;
    ASSERT_EQ(::RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kContentKeyPath, kDigestValueName),
              ERROR_SUCCESS);
    EXPECT_EQ(IsAdmin("admin"), 0);
    EXPECT_STREQ(GetLastErrorMessage(), "Parental Control Settings is corrupted");
    EXPECT_EQ(CreateUser("kid", "pw", USER_TYPE_USER), 0);
    EXPECT_EQ(GetLastErrorCode(), ERR_SETTINGS_CORRUPTED);
    char** list = nullptr;
    int count = 0;
    EXPECT_EQ(GetAllURL(&list, &count), 0);
    EXPECT_EQ(GetLastErrorCode(), ERR_SETTINGS_CORRUPTED);
    EXPECT_NE(install.CountInApiLog("IniFile :: QueryValue failed in VarifyIniFile"), 0);
}

TEST(Integrity, KeyAddedByHandIsRemovedByARestore) {
    CFreshInstallation install;
    ASSERT_TRUE(
        ::WritePrivateProfileStringA("USER", "Extra", "12345", install.SettingsFile().c_str()));
    ASSERT_TRUE(
        ::WritePrivateProfileStringA("USER9", "Type", "12345", install.SettingsFile().c_str()));
    EXPECT_EQ(IsUserExists("Default"), 1);  // restores, then renews the digest
    EXPECT_EQ(RawValue(install, "USER", "Extra"), "");
    EXPECT_EQ(RawValue(install, "USER9", "Type"), "");
    EXPECT_EQ(StoredDigest(), GetFileDigestText(install.SettingsFile()));
    EXPECT_EQ(IsUserExists("admin"), 1);
    EXPECT_EQ(install.CountInApiLog("IniFile :: MD5 match Failed"), 1);
}

// A file that differs from its digest and cannot be rewritten is not taken for restored:
// every operation fails as corrupted, and nothing of the edit is accepted.
void ExpectCorruptedUntilReleased(const CFreshInstallation& install,
                                  const std::function<void()>& release) {
    const std::string strDigest = StoredDigest();
    EXPECT_EQ(IsAdmin("admin"), 0);
    EXPECT_STREQ(GetLastErrorMessage(), "Parental Control Settings is corrupted");
    char** list = nullptr;
    int count = 0;
    EXPECT_EQ(GetAllCategory(&list, &count), 0);
    EXPECT_EQ(GetLastErrorCode(), ERR_SETTINGS_CORRUPTED);
    EXPECT_EQ(SetFilterOff(1), 0);
    EXPECT_EQ(StoredDigest(), strDigest);
    EXPECT_NE(install.CountInApiLog("IniFile :: File restore failed"), 0);
    release();
    // Once the file can be written again, the next check restores it.
    EXPECT_EQ(IsSuperAdmin("admin"), 1);
    EXPECT_EQ(RawValue(install, "USER2", "Type"), RegistryValue("USER2", "Type"));
}

TEST(Integrity, FileHeldByAnotherProgramCannotBeRestoredAndIsCorrupted) {
    CFreshInstallation install;
    EditFile(install, "USER2", "Type", "3");
    CFileHandle held(::CreateFileA(install.SettingsFile().c_str(), GENERIC_READ, 0, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held);
    ExpectCorruptedUntilReleased(install, [&] { held.Reset(); });
}

TEST(Integrity, ReadOnlyFileThatDiffersIsCorrupted) {
    CFreshInstallation install;
    EditFile(install, "USER2", "Type", "3");
    const std::string strFile = install.SettingsFile();
    ASSERT_TRUE(::SetFileAttributesA(strFile.c_str(), FILE_ATTRIBUTE_READONLY));
    const auto release = [&] { ::SetFileAttributesA(strFile.c_str(), FILE_ATTRIBUTE_NORMAL); };
    if (CFileHandle(::CreateFileA(strFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr))) {
        release();
        GTEST_SKIP() << "a read-only file can be written here (Wine run as root ignores the "
                        "attribute): the file held by another program stands for it";
    }
    ExpectCorruptedUntilReleased(install, release);
}

// A write whose mirror failed leaves the file ahead of the copy and the digest stale; the next
// check puts the file back to the copy.
TEST(Integrity, WriteThatMissedTheMirrorIsUndone) {
    CFreshInstallation install;
    EditFile(install, "USER1", "Name", "Renamed");
    EXPECT_EQ(IsUserExists("Renamed"), 0);
    EXPECT_EQ(IsUserExists("Default"), 1);
}

// A copy without the accounts cannot make a usable file: corrupted, not restored empty.
TEST(Integrity, EmptyCopyAndMissingFileAreCorrupted) {
    CFreshInstallation install;
    for (const char* szSection : {"USER", "USER1", "USER2", "IP", "URL", "WCAT", "WORD", "CAT"}) {
        ::RegDeleteTreeA(HKEY_LOCAL_MACHINE,
                         (std::string(kContentKeyPath) + "\\" + szSection).c_str());
    }
    ASSERT_TRUE(std::filesystem::remove(install.SettingsFile()));
    const std::string strDigest = StoredDigest();
    EXPECT_EQ(IsAdmin("admin"), 0);
    EXPECT_EQ(GetLastErrorCode(), ERR_SETTINGS_CORRUPTED);
    EXPECT_EQ(StoredDigest(), strDigest);
    EXPECT_EQ(IsAdmin("admin"), 0);
    EXPECT_EQ(GetLastErrorCode(), ERR_SETTINGS_CORRUPTED);
    EXPECT_NE(install.CountInApiLog("IniFile :: Registry copy holds no accounts"), 0);
}
