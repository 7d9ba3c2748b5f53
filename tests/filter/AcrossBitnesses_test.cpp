// A 32-bit program beside 64-bit ones: the 32-bit layer filters it as the 64-bit layer filters
// them, and all of them share one login and one reload flag (the state in named memory).
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "Api/PolicyApi.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/FreshInstallation.h"
#include "tests/support/PlainWebServer.h"
#include "tests/support/ScopedCatalog.h"
#include "tests/support/UnixProgram.h"
#include "tests/support/UrlWords.h"
#include "tools/install/LayerInstaller.h"

namespace {

// The 32-bit build's DLLs and programs.
std::string Folder32() {
    return WinePath(PC_WIN32_SOCKBIN) + "\\";
}

std::wstring Wide(const std::string& str) {
    return std::wstring(str.begin(), str.end());
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

class AcrossBitnessesTest : public ::testing::Test {
protected:
    AcrossBitnessesTest() {
        WSADATA data;
        ::WSAStartup(MAKEWORD(2, 2), &data);
        // Nothing answers there: every request is decided by a word, never by a lookup.
        const std::string strAddress = "127.0.0.2";
        ::RegSetKeyValueA(HKEY_LOCAL_MACHINE, kProductKeyPath, "TLVServerIP", REG_SZ,
                          strAddress.c_str(), static_cast<DWORD>(strAddress.size() + 1));
        EXPECT_EQ(SetUrlWords("Default", 1, {"pass"}), 1);
        EXPECT_EQ(SetUrlWords("Default", 0, {"poker"}), 1);
        EXPECT_EQ(CreateUser("kid", "pw", USER_TYPE_USER), 1);
        EXPECT_EQ(SetUrlWords("kid", 0, {"chess"}), 1);
    }
    ~AcrossBitnessesTest() override { ::WSACleanup(); }

    void SetUp() override {
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

TEST_F(AcrossBitnessesTest, BothKindsShareOneLoginAndOneReloadFlag) {
    CLoopbackPeer web = PlainWebServer(1);
    const std::string p = std::to_string(web.Port());
    UpdateRequire(0);
    // A login in a 32-bit process: this 64-bit one sees the user and the reload it asks for.
    CChild32 login(Output("login32.txt"), "prove:kid:pw login:kid user");
    ASSERT_EQ(login.Wait(), 0u);
    EXPECT_EQ(ReadLines(Output("login32.txt")), std::vector<std::string>{"user kid"});
    char szName[24] = {};
    GetCurrentUser(szName);
    EXPECT_STREQ(szName, "kid");
    EXPECT_EQ(IsUpdateRequire(), 1);

    // A change made here: the 32-bit filter reloads and judges by the kid's new words, and the
    // flag it clears is this process's too.
    ASSERT_EQ(SetUrlWords("kid", 0, {"chess", "checkers"}), 1);
    CChild32 browse(Output("browse32.txt"), "browse:" + p + ":/checkers");
    ASSERT_EQ(browse.Wait(), 0u);
    EXPECT_EQ(ReadLines(Output("browse32.txt")), std::vector<std::string>{"blocked"});
    EXPECT_EQ(IsUpdateRequire(), 0);
}
