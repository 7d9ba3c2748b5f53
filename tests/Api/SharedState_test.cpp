// The shared block across processes that load the real PolicyApi.dll.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "Api/DataStore.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/FreshInstallation.h"
#include "win/UniqueHandle.h"

namespace {

// api_child.exe with an output file and its commands.
class CChild : public CChildProcess {
public:
    CChild(const std::string& strOutput, const std::string& strCommands)
        : CChildProcess(Beside("api_child.exe"), "\"" + strOutput + "\" " + strCommands) {}
};

class SharedStateTest : public ::testing::Test {
protected:
    // The children attach to the installation; this process stays out of the shared block.
    CFreshInstallation m_install{"secret", false};
    std::string Output(const char* szName) { return m_install.Folder() + szName; }
    CHandle m_ready{::CreateEventA(nullptr, TRUE, FALSE, "pc_test_ready")};
    CHandle m_go{::CreateEventA(nullptr, TRUE, FALSE, "pc_test_go")};
};

}  // namespace

TEST_F(SharedStateTest, LoginInOneProcessIsSeenByAnotherAndEndsWithTheLast) {
    CChild first(Output("first.txt"),
                 "prove:admin:secret login:kid signal:pc_test_ready wait:pc_test_go instances");
    ASSERT_EQ(::WaitForSingleObject(m_ready.Get(), 60000), WAIT_OBJECT_0);
    CChild second(Output("second.txt"), "user instances");
    EXPECT_EQ(second.Wait(), 0u);
    ::SetEvent(m_go.Get());
    EXPECT_EQ(first.Wait(), 0u);
    EXPECT_EQ(ReadLines(Output("second.txt")),
              (std::vector<std::string>{"user kid", "instances 2"}));
    EXPECT_EQ(ReadLines(Output("first.txt")),
              (std::vector<std::string>{"prove admin 1 Sucess", "instances 1"}));

    // With every process gone, a new one sees the initial image again.
    CChild third(Output("third.txt"), "user instances");
    EXPECT_EQ(third.Wait(), 0u);
    EXPECT_EQ(ReadLines(Output("third.txt")),
              (std::vector<std::string>{"user Default", "instances 1"}));
}

TEST_F(SharedStateTest, OnlyTheFirstProcessReadsTheFilterSwitch) {
    CChild writer(Output("writer.txt"), "prove:admin:secret setfilteroff:1 filteroff");
    EXPECT_EQ(writer.Wait(), 0u);
    EXPECT_EQ(ReadLines(Output("writer.txt")),
              (std::vector<std::string>{"prove admin 1 Sucess", "filteroff 1"}));

    CChild first(Output("first.txt"), "filteroff signal:pc_test_ready wait:pc_test_go");
    ASSERT_EQ(::WaitForSingleObject(m_ready.Get(), 60000), WAIT_OBJECT_0);
    {
        // Switch it back in the file only, behind the library's back.
        CLogFile log(0);
        CDataStore store(&log);
        store.Init("Content");
        ASSERT_EQ(store.WriteString("USER", "Filter", "FALSE"), 1);
    }
    CChild second(Output("second.txt"), "filteroff");
    EXPECT_EQ(second.Wait(), 0u);
    ::SetEvent(m_go.Get());
    EXPECT_EQ(first.Wait(), 0u);
    EXPECT_EQ(ReadLines(Output("first.txt")), std::vector<std::string>{"filteroff 1"});
    EXPECT_EQ(ReadLines(Output("second.txt")), std::vector<std::string>{"filteroff 1"});

    CChild fresh(Output("fresh.txt"), "filteroff");
    EXPECT_EQ(fresh.Wait(), 0u);
    EXPECT_EQ(ReadLines(Output("fresh.txt")), std::vector<std::string>{"filteroff 0"});
}

TEST_F(SharedStateTest, InternetTimeOutlivesTheSettingsProgram) {
    // Input recorded, a request, input recorded again: whichever minute the request falls in,
    // it has input too, and the last look saves the count.
    CChild program(Output("program.txt"), "input request:Default input timeused:Default");
    EXPECT_EQ(program.Wait(), 0u);
    EXPECT_EQ(ReadLines(Output("program.txt")), std::vector<std::string>{"timeused Default 1"});

    // Every process gone: a new settings program reads the count from the settings file.
    CChild restarted(Output("restarted.txt"), "timeused:Default");
    EXPECT_EQ(restarted.Wait(), 0u);
    EXPECT_EQ(ReadLines(Output("restarted.txt")), std::vector<std::string>{"timeused Default 1"});
}
