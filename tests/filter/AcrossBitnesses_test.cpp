// A 32-bit program beside 64-bit ones: the 32-bit layer filters it as the 64-bit layer filters
// them, and all of them share one login and one reload flag (the state in named memory).
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "Api/PolicyApi.h"
#include "Api/SharedState.h"
#include "filter/core/SharedFilterBlock.h"
#include "tests/filter/WordsOnlyFamily.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/FreshInstallation.h"
#include "tests/support/PlainWebServer.h"
#include "tests/support/ScopedCatalog.h"
#include "tests/support/UnixProgram.h"
#include "tools/install/LayerInstaller.h"
#include "win/UniqueHandle.h"

namespace {

// The 32-bit build's DLLs and programs.
std::string Folder32() {
    return WinePath(PC_WIN32_SOCKBIN) + "\\";
}

std::wstring Wide(const std::string& str) {
    return std::wstring(str.begin(), str.end());
}

// Why this machine runs no 32-bit programs, as scripts/setup.sh found it (the first line of its
// mark), or empty.
std::string No32BitProgramsHere() {
    std::ifstream mark(WinePath(PC_NO_WINE32_MARK));
    std::string strWhy;
    std::getline(mark, strWhy);
    return strWhy;
}

// Whether this Wine runs 32-bit programs: a prefix made with wine32 has the 32-bit system DLLs.
bool Runs32BitPrograms() {
    wchar_t szFolder[MAX_PATH];
    const UINT n = ::GetSystemWow64DirectoryW(szFolder, MAX_PATH);
    return n != 0 && n < MAX_PATH &&
           std::filesystem::exists(std::filesystem::path(szFolder) / "kernel32.dll");
}

// The 32-bit filter_child.exe with an output file and its commands, its Winsock calls served by
// the 32-bit host as the system's Winsock serves every 32-bit program.
class CChild32 : public CChildProcess {
public:
    CChild32(const std::string& strOutput, const std::string& strCommands)
        : CChildProcess(Folder32() + "wsrun.exe", "\"" + Folder32() + "filter_child.exe\" \"" +
                                                      strOutput + "\" " + strCommands) {}
};

// Named memory lasts while some process holds it (on a family's desktop the settings program
// does). Made blank here, the first process to open a block fills it in.
class CHeldBlock {
public:
    CHeldBlock(const wchar_t* szName, DWORD cbBlock)
        : m_mapping(::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, cbBlock,
                                         szName)) {}

private:
    CHandle m_mapping;
};

class AcrossBitnessesTest : public ::testing::Test {
protected:
    AcrossBitnessesTest() {
        WSADATA data;
        ::WSAStartup(MAKEWORD(2, 2), &data);
        SetUpWordsOnlyFamily();
    }
    ~AcrossBitnessesTest() override { ::WSACleanup(); }

    void SetUp() override {
        if (const std::string strWhy = No32BitProgramsHere(); !strWhy.empty()) {
            GTEST_SKIP() << "skipped: " << strWhy;
        }
        if (!std::filesystem::exists(Folder32() + "filter_child.exe")) {
            GTEST_SKIP() << "no 32-bit build in " << Folder32() << " (scripts/build.sh makes it)";
        }
        if (!Runs32BitPrograms()) {
            GTEST_SKIP() << "this Wine runs no 32-bit programs (wine32 and a prefix made with it)";
        }
        // The base provider in the catalogue of 32-bit programs, then the layer in both, as
        // pcinstall --lsp32 registers it.
        CScopedCatalog::Bases32(Wide(Folder32() + "wsbase.dll"));
        std::string strError;
        ASSERT_TRUE(InstallLayer(ProgramFolder() + L"FilterLsp.dll", strError,
                                 Wide(Folder32() + "FilterLsp.dll")))
            << strError;
    }

    std::string Output(const char* szName) const { return m_install.Folder() + szName; }

    CScopedCatalog m_catalog;
    CFreshInstallation m_install;
    CHeldBlock m_policyState{kPolicyStateName, sizeof(PolicySharedState)};
    CHeldBlock m_filterState{kFilterStateName, sizeof(SharedFilterBlock)};
};

}  // namespace

TEST_F(AcrossBitnessesTest, A32BitProgramIsFilteredAsA64BitOne) {
    CLoopbackPeer web = PlainWebServer(2);
    const std::string p = std::to_string(web.Port());
    CChild32 child(Output("child32.txt"), "browse:" + p + ":/poker browse:" + p + ":/chess/pass");
    ASSERT_TRUE(child.Started());
    ASSERT_EQ(child.Wait(), 0u);
    EXPECT_EQ(ReadLines(Output("child32.txt")), (std::vector<std::string>{"blocked", "passed"}));
}

// The test's own library is linked in and keeps its state to itself: what every process shares
// is read by 64-bit filter_child.exe, which loads PolicyApi.dll as programs do.
TEST_F(AcrossBitnessesTest, BothKindsShareOneLoginOneReloadFlagAndOneRuleTable) {
    CLoopbackPeer web = PlainWebServer(2);
    const std::string p = std::to_string(web.Port());
    // The 32-bit login raises the reload flag; the 32-bit filter's reload loads the kid's words
    // ("chess" blocked, "pass" no longer allowed) and clears it.
    CChild32 login(Output("login32.txt"), "prove:kid:pw login:kid browse:" + p + ":/chess/pass");
    ASSERT_EQ(login.Wait(), 0u);
    EXPECT_EQ(ReadLines(Output("login32.txt")), std::vector<std::string>{"blocked"});
    // A 64-bit process sees that user, the cleared flag, and the rules loaded, without a reload
    // of its own.
    CChildProcess seen(CChildProcess::Beside("filter_child.exe"),
                       "\"" + Output("seen64.txt") + "\" user update browse:" + p + ":/chess/pass");
    ASSERT_EQ(seen.Wait(), 0u);
    EXPECT_EQ(ReadLines(Output("seen64.txt")),
              (std::vector<std::string>{"user kid", "update 0", "blocked"}));

    // And the other way round.
    CChildProcess admin(CChildProcess::Beside("filter_child.exe"),
                        "\"" + Output("admin64.txt") + "\" prove:admin:secret login:admin");
    ASSERT_EQ(admin.Wait(), 0u);
    CChild32 seen32(Output("seen32.txt"), "user update");
    ASSERT_EQ(seen32.Wait(), 0u);
    EXPECT_EQ(ReadLines(Output("seen32.txt")),
              (std::vector<std::string>{"user admin", "update 1"}));
}
