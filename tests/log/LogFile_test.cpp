#include "log/LogFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/ChildProcess.h"
#include "tests/support/ScopedProductKey.h"
#include "tests/support/TempPath.h"
#include "win/UniqueHandle.h"

namespace {

std::string ReadBytes(const std::string& strPath) {
    std::ifstream in(strPath, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

class LogFileTest : public ::testing::Test {
protected:
    LogFileTest() { std::filesystem::create_directories(m_folder.Path()); }

    std::string Folder() const { return m_folder.String() + "\\"; }

    // The product key with "Application" naming this test's folder.
    void InstallKey(CScopedProductKey& key, const std::string& strFolder) {
        key.SetString("Application", strFolder);
    }

    CTempPath m_folder{"logtest"};
};

}  // namespace

TEST_F(LogFileTest, MissingKeyLogsEveryLevel) {
    CScopedProductKey key(false);
    CLogFile log(0);
    EXPECT_EQ(log.GetLevel(), 4);
    log.SetFileName((Folder() + "all").c_str());
    EXPECT_EQ(std::string(log.GetFileName()), Folder() + "all.Log");
    for (signed char level = 1; level <= 4; ++level) {
        log.Write("level " + std::to_string(level), level);
    }
    EXPECT_EQ(ReadLines(log.GetFileName()),
              (std::vector<std::string>{"level 1", "level 2", "level 3", "level 4"}));
}

TEST_F(LogFileTest, KeyWithoutLevelLogsNothing) {
    CScopedProductKey key;
    InstallKey(key, Folder());
    CLogFile log(0);
    EXPECT_EQ(log.GetLevel(), 0);
    log.SetFileName("quiet");
    log.Write("dropped", 1);
    EXPECT_FALSE(std::filesystem::exists(Folder() + "quiet.Log"));
}

TEST_F(LogFileTest, RecordAtTheThresholdIsWritten) {
    CScopedProductKey key;
    InstallKey(key, Folder());
    key.SetDword("LogLevel", 2);
    CLogFile log(0);
    log.SetFileName("ApiCallLog");
    EXPECT_EQ(std::string(log.GetFileName()), Folder() + "ApiCallLog.Log");
    log.Write("one", 1);
    log.Write("two", 2);
    log.Write("three", 3);
    EXPECT_EQ(ReadLines(log.GetFileName()), (std::vector<std::string>{"one", "two"}));
}

// Writers made under the loader lock read the registry at their first record, so one made
// before the installation finds the installation's folder and threshold.
TEST_F(LogFileTest, WriterNamedAtItsFirstRecordReadsTheKeyThen) {
    CScopedProductKey key(false);
    CLogFile log(0, "ApiCallLog");
    CScopedProductKey installed;
    InstallKey(installed, Folder());
    installed.SetDword("LogLevel", 1);
    log.Write("kept", 1);
    log.Write("dropped", 2);
    EXPECT_EQ(std::string(log.GetFileName()), Folder() + "ApiCallLog.Log");
    EXPECT_EQ(ReadLines(log.GetFileName()), std::vector<std::string>{"kept"});
}

TEST_F(LogFileTest, PathIsCutAtTheFirstDotOfTheWholePath) {
    CScopedProductKey key;
    InstallKey(key, Folder());
    CLogFile log(0);
    log.SetFileName("my.app.exe");
    EXPECT_EQ(std::string(log.GetFileName()), Folder() + "my.Log");

    InstallKey(key, Folder() + "dir.with.dot\\");
    log.SetFileName("browser");
    EXPECT_EQ(std::string(log.GetFileName()), Folder() + "dir.Log");
}

TEST_F(LogFileTest, SecondNameStartsAgainFromTheFolder) {
    CScopedProductKey key;
    InstallKey(key, Folder());
    CLogFile log(1);
    log.SetFileName("GuiCallLog");
    log.SetFileName("GuiLogFile");
    EXPECT_EQ(std::string(log.GetFileName()), Folder() + "GuiLogFile.Log");
}

TEST_F(LogFileTest, WithoutTheKeyASecondNameKeepsTheFirstFile) {
    CScopedProductKey key(false);
    CLogFile log(1);
    log.SetFileName((Folder() + "GuiCallLog").c_str());
    log.SetFileName("GuiLogFile");
    EXPECT_EQ(std::string(log.GetFileName()), Folder() + "GuiCallLog.Log");
}

TEST_F(LogFileTest, OverlongPathIsCutAndKeepsItsExtension) {
    CScopedProductKey key;
    InstallKey(key, Folder() + std::string(400, 'a') + "\\");
    CLogFile log(0);
    log.SetFileName("name");
    const std::string strPath = log.GetFileName();
    EXPECT_EQ(strPath.size(), static_cast<size_t>(CLogFile::kPathSize - 1));
    EXPECT_EQ(strPath.substr(strPath.size() - 4), ".Log");
    EXPECT_EQ(strPath.substr(0, Folder().size()), Folder());
}

TEST_F(LogFileTest, RecordsCarryAUtcStampAndTextModeLineEnds) {
    CScopedProductKey key;
    InstallKey(key, Folder());
    key.SetDword("LogLevel", 4);
    CLogFile log(1);
    log.SetFileName("TLVClientLog");
    SYSTEMTIME before;
    ::GetSystemTime(&before);
    log.Write("first", 4);
    log.Write("ends with\r\n", 1);

    const std::string strBytes = ReadBytes(log.GetFileName());
    const std::regex record(
        "(\\d\\d)-(\\d\\d) \\d\\d:\\d\\d:\\d\\d first\r\n"
        "\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d ends with\r\r\n\r\n");
    std::smatch match;
    ASSERT_TRUE(std::regex_match(strBytes, match, record)) << strBytes;
    EXPECT_EQ(std::stoi(match[1]), before.wDay);
    EXPECT_EQ(std::stoi(match[2]), before.wMonth);
}

TEST_F(LogFileTest, FileMovedAsideIsCreatedAnewByTheNextRecord) {
    CScopedProductKey key;
    InstallKey(key, Folder());
    key.SetDword("LogLevel", 1);
    CLogFile log(0);
    log.SetFileName("ApiCallLog");
    log.Write("before", 1);
    ASSERT_TRUE(::MoveFileA(log.GetFileName(), (Folder() + "ApiCallLog.Bak").c_str()));
    log.Write("after", 1);
    EXPECT_EQ(ReadLines(log.GetFileName()), std::vector<std::string>{"after"});
    EXPECT_EQ(ReadLines(Folder() + "ApiCallLog.Bak"), std::vector<std::string>{"before"});
}

TEST_F(LogFileTest, TwoProcessesNeitherLoseNorInterleaveRecords) {
    CScopedProductKey key;
    InstallKey(key, Folder());
    key.SetDword("LogLevel", 1);
    constexpr int kRecords = 2000;
    const std::string strChild = CChildProcess::Beside("log_writer_child.exe");
    const CChildProcess first(strChild, "shared 1 " + std::to_string(kRecords));
    const CChildProcess second(strChild, "shared 2 " + std::to_string(kRecords));
    ASSERT_TRUE(first.Started() && second.Started());
    const HANDLE children[] = {first.Handle(), second.Handle()};
    ASSERT_EQ(::WaitForMultipleObjects(2, children, TRUE, 120000), WAIT_OBJECT_0);

    const std::regex record("\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d child ([12]) record (\\d+) x{60}");
    std::map<int, int> next = {{1, 0}, {2, 0}};
    for (const std::string& line : ReadLines(Folder() + "shared.Log")) {
        std::smatch match;
        ASSERT_TRUE(std::regex_match(line, match, record)) << "torn record: " << line;
        const int child = std::stoi(match[1]);
        ASSERT_EQ(std::stoi(match[2]), next[child]++) << "child " << child;
    }
    EXPECT_EQ(next[1], kRecords);
    EXPECT_EQ(next[2], kRecords);
}
