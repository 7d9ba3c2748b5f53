// Writers of the settings file in several processes at once, while the file is altered
// behind their backs: the restores and the writes must not interleave.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "Api/PolicyApi.h"
#include "Api/RegFile.h"
#include "Api/portable/FileDigest.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/FreshInstallation.h"

namespace {

constexpr int kWrites = 300;

class CChild : public CChildProcess {
public:
    CChild(const std::string& strOutput, const std::string& strCommands)
        : CChildProcess(Beside("api_child.exe"), "\"" + strOutput + "\" " + strCommands) {}
};

std::string StoredDigest() {
    std::string strDigest;
    RegFile(nullptr).QueryValue(kContentKeyPath, kDigestValueName, strDigest);
    return strDigest;
}

std::vector<std::string> TakeList(char** list, int count) {
    std::vector<std::string> texts(list, list + count);
    FreeListMemory(&list, &count);
    return texts;
}

}  // namespace

// The library's lines about the settings file, to tell why a writer failed.
std::string SettingsFileLines(const CFreshInstallation& install) {
    std::istringstream log(install.ReadApiLog());
    std::string strLines;
    for (std::string strLine; std::getline(log, strLine);) {
        if (strLine.find("IniFile ::") != std::string::npos &&
            strLine.find("MD5 Written") == std::string::npos) {
            strLines += strLine + "\n";
        }
    }
    return strLines;
}

TEST(SettingsWriters, TwoProcessesWritingWhileAThirdAltersTheFileLoseNothing) {
    CFreshInstallation install;
    ASSERT_EQ(CreateUser("first", "pw", USER_TYPE_USER), 1);
    ASSERT_EQ(CreateUser("second", "pw", USER_TYPE_USER), 1);
    const std::string strOut = install.Folder();
    const std::string strWrites = ":" + std::to_string(kWrites);

    const std::string strSteps = "steps:pc_writes_" + std::to_string(::GetCurrentProcessId());
    CChild tamperer(strOut + "tamperer.txt",
                    strSteps + " tamper:\"" + install.SettingsFile() + "\"");
    CChild first(strOut + "first.txt", strSteps + " prove:admin:secret writes:first" + strWrites);
    CChild second(strOut + "second.txt",
                  strSteps + " prove:admin:secret writes:second" + strWrites);
    EXPECT_EQ(tamperer.Wait(), 0u);
    EXPECT_EQ(first.Wait(600000), 0u);
    EXPECT_EQ(second.Wait(600000), 0u);
    EXPECT_EQ(ReadLines(strOut + "first.txt"),
              (std::vector<std::string>{"prove admin 1 Sucess", "failed 0"}))
        << SettingsFileLines(install);
    EXPECT_EQ(ReadLines(strOut + "second.txt"),
              (std::vector<std::string>{"prove admin 1 Sucess", "failed 0"}))
        << SettingsFileLines(install);
    EXPECT_EQ(ReadLines(strOut + "tamperer.txt"), std::vector<std::string>{"tampered 8"});
    EXPECT_NE(install.CountInApiLog("IniFile :: MD5 match Failed"), 0);

    // The last alteration may not have been met by a writer yet; a check meets it now.
    ASSERT_EQ(IsUserExists("Default"), 1);
    EXPECT_EQ(GetFileDigestText(install.SettingsFile()), StoredDigest());
    char** list = nullptr;
    int count = 0;
    ASSERT_EQ(GetAllUsers(list, count), 1);
    std::vector<std::string> users = TakeList(list, count);
    std::sort(users.begin(), users.end());
    EXPECT_EQ(users.size(), static_cast<size_t>(4 + 2 * kWrites));
    EXPECT_EQ(std::adjacent_find(users.begin(), users.end()), users.end());
    for (const char* szWriter : {"first", "second"}) {
        for (int i = 0; i < kWrites; ++i) {
            const std::string strUser = std::string(szWriter) + "." + std::to_string(i);
            EXPECT_TRUE(std::binary_search(users.begin(), users.end(), strUser)) << strUser;
        }
        list = nullptr;
        count = 0;
        ASSERT_EQ(GetCategoryList(szWriter, &list, &count), 1);
        EXPECT_EQ(TakeList(list, count), std::vector<std::string>{"Sports"}) << szWriter;
    }
}
