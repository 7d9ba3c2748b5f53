// The shared rules across processes: who reloads them, and what every process then sees.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "Api/PolicyApi.h"
#include "filter/core/SharedFilterBlock.h"
#include "tests/filter/WordsOnlyFamily.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/FreshInstallation.h"
#include "tests/support/LoopbackPeer.h"
#include "tests/support/PlainWebServer.h"
#include "tests/support/ScopedCatalog.h"
#include "tests/support/UrlWords.h"
#include "win/UniqueHandle.h"

namespace {

// filter_child.exe with an output file and its commands.
class CChild : public CChildProcess {
public:
    CChild(const std::string& strOutput, const std::string& strCommands)
        : CChildProcess(Beside("filter_child.exe"), "\"" + strOutput + "\" " + strCommands) {}
};

class AcrossProcessesTest : public ::testing::Test {
protected:
    AcrossProcessesTest() {
        WSADATA data;
        ::WSAStartup(MAKEWORD(2, 2), &data);
        SetUpWordsOnlyFamily();
        EXPECT_EQ(SetUrlWords("kid", 1, {"pass"}), 1);
    }
    ~AcrossProcessesTest() override { ::WSACleanup(); }

    std::string Output(const char* szName) const { return m_install.Folder() + szName; }

    CScopedCatalog m_catalog{CScopedCatalog::Layer::kChains};
    CFreshInstallation m_install;
    CHandle m_ready{::CreateEventA(nullptr, TRUE, FALSE, "pc_xp_ready")};
    CHandle m_go{::CreateEventA(nullptr, TRUE, FALSE, "pc_xp_go")};
};

}  // namespace

TEST_F(AcrossProcessesTest, ALoginInOneProcessReloadsForAll) {
    CLoopbackPeer web = PlainWebServer(5);
    const std::string p = std::to_string(web.Port());
    CChild first(Output("first.txt"),
                 "browse:" + p + ":/poker browse:" + p +
                     ":/chess/pass signal:pc_xp_ready wait:pc_xp_go browse:" + p + ":/chess");
    ASSERT_EQ(::WaitForSingleObject(m_ready.Get(), 60000), WAIT_OBJECT_0);
    // Behind the filter's back: only a reload would see it.
    ASSERT_EQ(SetUrlWords("Default", 0, {"nothing"}), 1);
    CChild second(Output("second.txt"),
                  "browse:" + p + ":/poker prove:kid:pw login:kid browse:" + p + ":/chess");
    ASSERT_EQ(second.Wait(), 0u);
    ::SetEvent(m_go.Get());
    ASSERT_EQ(first.Wait(), 0u);
    // The second process's first connect used the rules the first one loaded; its login made
    // its next connect load the kid's rules, which the first process then used too.
    EXPECT_EQ(ReadLines(Output("first.txt")),
              (std::vector<std::string>{"blocked", "passed", "blocked"}));
    EXPECT_EQ(ReadLines(Output("second.txt")), (std::vector<std::string>{"blocked", "blocked"}));
}

TEST_F(AcrossProcessesTest, AFailedReloadBlocksEverythingInEveryProcess) {
    CLoopbackPeer web = PlainWebServer(3);
    const std::string p = std::to_string(web.Port());
    CChild first(Output("first.txt"),
                 "browse:" + p + ":/pass signal:pc_xp_ready wait:pc_xp_go browse:" + p + ":/pass");
    ASSERT_EQ(::WaitForSingleObject(m_ready.Get(), 60000), WAIT_OBJECT_0);
    CChild second(Output("second.txt"), "prove:admin:secret login:nobody browse:" + p + ":/pass");
    ASSERT_EQ(second.Wait(), 0u);
    ::SetEvent(m_go.Get());
    ASSERT_EQ(first.Wait(), 0u);
    EXPECT_EQ(ReadLines(Output("first.txt")), (std::vector<std::string>{"passed", "corrupted"}));
    EXPECT_EQ(ReadLines(Output("second.txt")), std::vector<std::string>{"corrupted"});
}

TEST_F(AcrossProcessesTest, ARuleBlockOfAnotherLayoutIsRefusedAndTheProcessFiltersByItsOwn) {
    // Under the filter's name, as a later version would leave it: its filter-off byte, where
    // this layout keeps one, would let everything pass if it were read.
    const auto cbBlock = static_cast<DWORD>(sizeof(SharedFilterBlock));
    const CHandle mapping(::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                               cbBlock, kFilterStateName));
    const CMappedView view(::MapViewOfFile(mapping.Get(), FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, 0));
    ASSERT_TRUE(view);
    auto* pForeign = static_cast<SharedFilterBlock*>(view.Get());
    // This process's own filter (its web server's sockets) may have the block already: it is
    // given back as it was.
    struct CRestore {
        SharedFilterBlock* pBlock;
        SharedLayoutHeader header;
        std::uint8_t filterOff;
        ~CRestore() {
            pBlock->rules.filterOff = filterOff;
            pBlock->header = header;
        }
    } restore{pForeign, pForeign->header, pForeign->rules.filterOff};
    pForeign->header = {kSharedLayoutMagic, SharedFilterBlock::kLayoutVersion + 1, cbBlock, 0};
    pForeign->rules.filterOff = 1;

    CLoopbackPeer web = PlainWebServer(2);
    const std::string p = std::to_string(web.Port());
    CChild child(Output("child.txt"), "browse:" + p + ":/poker browse:" + p + ":/pass");
    ASSERT_EQ(child.Wait(), 0u);
    EXPECT_EQ(ReadLines(Output("child.txt")), (std::vector<std::string>{"blocked", "passed"}));
    EXPECT_EQ(pForeign->rules.filterOff, 1);
    std::ifstream log(m_install.Folder() + "filter_child.Log");
    std::ostringstream text;
    text << log.rdbuf();
    EXPECT_NE(text.str().find("SharedFilterState :: Shared rules refused: layout " +
                              std::to_string(SharedFilterBlock::kLayoutVersion + 1) + " of " +
                              std::to_string(cbBlock) + " bytes"),
              std::string::npos);
}
