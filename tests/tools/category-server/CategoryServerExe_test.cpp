// category-server.exe in a console under Wine: answers, bad and silent clients, and a reload
// by its named event.
#include <winsock2.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/ChildProcess.h"
#include "tests/support/TempPath.h"
#include "tests/tools/category-server/LookupClient.h"
#include "win/UniqueHandle.h"

namespace {

namespace fs = std::filesystem;

class CategoryServerExeTest : public ::testing::Test {
protected:
    CategoryServerExeTest() {
        fs::create_directories(m_folder.Path());
        std::ofstream(m_db) << "news.example News\nsports.example/betting Gambling\n";
    }
    ~CategoryServerExeTest() override {
        if (m_server && m_server->Started()) {
            ::TerminateProcess(m_server->Handle(), 0);
            m_server->Wait();
        }
    }
    // The server with these options beside the test, its lines in a log; its port, 0 when
    // it did not start.
    std::uint16_t Start(const std::string& strOptions) {
        m_server = std::make_unique<CChildProcess>(
            CChildProcess::Beside("category-server.exe"),
            "--port 0 --db \"" + m_db + "\" --log \"" + m_log + "\" " + strOptions);
        std::uint16_t uPort = 0;
        WaitFor(
            [&] { return (uPort = ListeningPort(m_log)) != 0 || m_server->Wait(0) != 0xFFFFFFFF; });
        return uPort;
    }
    std::string Log() const { return ReadFileText(m_log); }

    CWinsock m_winsock;
    CTempPath m_folder{"category-server-exe"};
    std::string m_db = (m_folder.Path() / "db.txt").string();
    std::string m_log = (m_folder.Path() / "server.log").string();
    std::unique_ptr<CChildProcess> m_server;
};

TEST_F(CategoryServerExeTest, AnswersAndReloadsOnItsEvent) {
    const std::uint16_t uPort = Start("--verbose --watch-seconds 0");
    ASSERT_NE(uPort, 0) << Log();
    EXPECT_EQ(LookupCategory(uPort, 4, "news.example/a"), "News");
    EXPECT_EQ(LookupCategory(uPort, 4, "unknown.example/"), "");
    EXPECT_EQ(LookupCategory(uPort, 6, "sports.example/betting/x"), "u\tGambling");
    EXPECT_TRUE(WaitFor([&] {
        return Log().find("news.example/a -> News\n") != std::string::npos;
    })) << Log();

    std::ofstream(m_db) << "news.example Sports\n";
    const std::wstring name = L"QuillonCategories.Reload." + std::to_wstring(uPort);
    const CHandle reload(::OpenEventW(EVENT_MODIFY_STATE, FALSE, name.c_str()));
    ASSERT_TRUE(reload);
    ::SetEvent(reload.Get());
    EXPECT_TRUE(WaitFor([&] { return LookupCategory(uPort, 4, "news.example/a") == "Sports"; }))
        << Log();
    // The new index is served before the line about it is written.
    EXPECT_TRUE(WaitFor([&] {
        return Log().find("reloaded (reload event): 1 entries") != std::string::npos;
    })) << Log();
}

TEST_F(CategoryServerExeTest, BadAndSilentClientsCloseWhileLookupsGoOn) {
    const std::uint16_t uPort = Start("--idle-seconds 1 --max-connections 8");
    ASSERT_NE(uPort, 0) << Log();
    const CSocket silent = ConnectLoopback(uPort);
    const CSocket halfSent = ConnectLoopback(uPort);
    const std::string request = LookupRequest(4, "news.example/");
    ASSERT_EQ(::send(halfSent.Get(), request.data(), 7, 0), 7);
    const CSocket bad = ConnectLoopback(uPort);
    ASSERT_EQ(::send(bad.Get(), "GET / HTTP/1.0\r\n\r\n", 18, 0), 18);

    EXPECT_EQ(LookupCategory(uPort, 4, "news.example/"), "News");
    for (SOCKET s : {bad.Get(), silent.Get(), halfSent.Get()}) {
        bool bClosed = false;
        EXPECT_EQ(ReceiveUntilClosed(s, &bClosed), "");
        EXPECT_TRUE(bClosed);
    }
    // Past the cap the oldest silent connections make way.
    std::vector<CSocket> flood;
    for (int i = 0; i < 40; ++i) {
        flood.push_back(ConnectLoopback(uPort));
    }
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(LookupCategory(uPort, 4, "news.example/"), "News") << i;
    }
}

}  // namespace
