// A program of its own that uses sockets as Go's and .NET's runtimes do (iocp/IocpClient.cpp),
// run through wsrun so that the stand-in host and the layer serve it as Windows would: its
// socket tied to a completion port that skips notices of requests done at once, ConnectEx with
// and without a send buffer, WSASend, WSARecv and DisconnectEx.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "tests/filter/StrictFilteringTest.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/LoopbackPeer.h"
#include "tests/support/TempPath.h"
#include "tests/support/TlsClientHello.h"

namespace {

using namespace std::string_literals;

const std::string kAccessDenied = "\x15\x03\x03\x00\x02\x02\x31"s;
constexpr char kPageStart[] = "HTTP/1.0 200 OK\r\n";
constexpr char kPokerPolicy[] = "URL Word applied is: <span style='color:blue'>poker</span>";

struct ClientRun {
    DWORD dwExitCode;
    std::string received;
};

// The client against port uPort of 127.0.0.1, sending `request` the way `mode` says.
ClientRun RunClient(u_short uPort, const std::string& mode, const std::string& request) {
    const CTempPath requestFile("request");
    const CTempPath receivedFile("received");
    requestFile.WriteFile(request);
    const CChildProcess client(CChildProcess::Beside("wsrun.exe"),
                               "\"" + CChildProcess::Beside("iocp_client.exe") + "\" 127.0.0.1 " +
                                   std::to_string(uPort) + " " + mode + " \"" +
                                   requestFile.String() + "\" \"" + receivedFile.String() + "\"");
    ClientRun run{client.Wait(kGuardMs), {}};
    std::ifstream in(receivedFile.Path(), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    run.received = text.str();
    return run;
}

std::string Get(const std::string& path) {
    return "GET " + path + " HTTP/1.1\r\nHost: games.example\r\n\r\n";
}

using CompletionPortClientTest = StrictFilteringTest;

TEST_F(CompletionPortClientTest, RequestsAreJudgedWithAndWithoutTheConnectsSendBuffer) {
    for (const char* szMode : {"with-connect", "after-connect"}) {
        SCOPED_TRACE(szMode);
        CKeepAliveServer allowedSite;
        const ClientRun allowed =
            RunClient(ntohs(allowedSite.Address().sin_port), szMode, Get("/news/today"));
        EXPECT_EQ(allowed.dwExitCode, 0u);
        EXPECT_EQ(allowed.received, Response(kBody));
        EXPECT_EQ(allowedSite.Received(), Get("/news/today"));

        CKeepAliveServer blockedSite;
        const ClientRun blocked =
            RunClient(ntohs(blockedSite.Address().sin_port), szMode, Get("/poker/tables"));
        EXPECT_EQ(blocked.dwExitCode, 0u);
        EXPECT_EQ(blocked.received.substr(0, 17), kPageStart);
        EXPECT_NE(blocked.received.find(kPokerPolicy), std::string::npos);
    }
}

TEST_F(CompletionPortClientTest, ABlockedServerNameInTheConnectsBufferNeverLeaves) {
    CRecordingPeer server(ReceiveAll);
    const ClientRun run = RunClient(ntohs(server.Address().sin_port), "with-connect",
                                    BuildClientHello("www.poker.example"));
    EXPECT_EQ(run.dwExitCode, 0u);
    EXPECT_EQ(run.received, kAccessDenied);
    EXPECT_EQ(server.Received(), "");
}

TEST_F(CompletionPortClientTest, AFailedConnectIsReportedFailedThroughThePort) {
    EXPECT_EQ(RunClient(static_cast<u_short>(CClosedPort().Port()), "refused", "").dwExitCode, 0u);
}

// With the switch off the layer hands out no ConnectEx, as it always has: such a program
// cannot connect through it.
class CompletionPortClientCompatTest : public StrictFilteringTest {
protected:
    CompletionPortClientCompatTest() : StrictFilteringTest(Filtering::kCompat) {}
};

TEST_F(CompletionPortClientCompatTest, ConnectExIsRefused) {
    // It fails before it connects anywhere.
    const ClientRun run =
        RunClient(static_cast<u_short>(CClosedPort().Port()), "with-connect", Get("/"));
    EXPECT_EQ(run.dwExitCode, 1u);
    EXPECT_EQ(run.received, "");
}

}  // namespace
