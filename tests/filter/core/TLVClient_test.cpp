#include "filter/core/TLVClient.h"

#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <string>
#include <vector>

#include "filter/core/StandardOutput.h"
#include "tests/support/FreshInstallation.h"
#include "tests/support/LoopbackPeer.h"
#include "tests/support/ScriptedCategoryServer.h"

namespace {

class TLVClientTest : public ::testing::Test {
protected:
    TLVClientTest() {
        WSADATA data;
        ::WSAStartup(MAKEWORD(2, 2), &data);
    }
    ~TLVClientTest() override { ::WSACleanup(); }

    std::unique_ptr<TLVMessage> Ask(int iPort, const std::string& url) {
        TLVClient client;
        client.SetIPPort(::inet_addr("127.0.0.1"), iPort);
        return client.SearchLumora(TLVMessage::kCategorySearch, url);
    }
    std::string ClientLog() const {
        std::ifstream in(m_install.Folder() + "TLVClientLog.Log");
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    CFreshInstallation m_install;
};

}  // namespace

TEST_F(TLVClientTest, OneRequestOneReply) {
    ScriptedCategoryServer server(CategoryReply("Gambling"));
    const auto reply = Ask(server.Port(), "casino.example/");
    EXPECT_EQ(reply->messageCode, 4);
    EXPECT_EQ(reply->value, "Gambling");
    EXPECT_EQ(server.Request(), std::string("\x04\x14\x00\x00\x00"
                                            "casino.example/",
                                            20));
    const std::string strLog = ClientLog();
    EXPECT_NE(strLog.find("SetIPPort :: ServerIP=127.0.0.1 Port="), std::string::npos);
    EXPECT_NE(strLog.find("Message Received :-> TYPE :4 LENGTH :13 VALUE :Gambling MESSAGECODE :4"),
              std::string::npos);
    EXPECT_NE(strLog.find("Disconnected with server"), std::string::npos);
}

TEST_F(TLVClientTest, EmptyAndLongReplies) {
    {
        ScriptedCategoryServer server(CategoryReply(""));
        const auto reply = Ask(server.Port(), "a.example/");
        EXPECT_EQ(reply->messageCode, 4);
        EXPECT_EQ(reply->value, "");
    }
    ScriptedCategoryServer server(CategoryReply(std::string(300, 'c')));
    const auto reply = Ask(server.Port(), std::string(TLVMessage::kMaxValueLength, 'u'));
    EXPECT_EQ(reply->value, std::string(300, 'c'));
    EXPECT_EQ(server.Request().size(), TLVMessage::kBufferSize);
}

// The server's reply comes in two segments, the second after the client's one read.
TEST_F(TLVClientTest, OnlyTheFirstSegmentIsRead) {
    const std::string reply = CategoryReply("Social Networking");
    ScriptedCategoryServer server;
    auto lookup =
        std::async(std::launch::async, [&] { return Ask(server.Port(), "social.example/"); });
    ASSERT_TRUE(server.AwaitRequest());
    server.Send(reply.substr(0, 7));
    const auto result = lookup.get();
    server.Send(reply.substr(7));
    server.Close();
    EXPECT_EQ(result->messageCode, TLVMessage::kReadFailed);
}

TEST_F(TLVClientTest, LengthBeyondTheBytesReceivedIsAFailedRead) {
    std::string reply = CategoryReply("News");
    reply[1] = 100;
    ScriptedCategoryServer server(reply);
    EXPECT_EQ(Ask(server.Port(), "news.example/")->messageCode, TLVMessage::kReadFailed);
}

TEST_F(TLVClientTest, RefusedConnectionStillLogsConnectedThenReadingFailed) {
    const CClosedPort closed;
    EXPECT_EQ(Ask(closed.Port(), "news.example/")->messageCode, TLVMessage::kReadFailed);
    const std::string strLog = ClientLog();
    const size_t connected = strLog.rfind("Connected with server ");
    ASSERT_NE(connected, std::string::npos);
    EXPECT_NE(strLog.find("Reading failed", connected), std::string::npos);
}

TEST_F(TLVClientTest, SilentServerEndsTheLookupAfterTheWait) {
    ScriptedCategoryServer server;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Ask(server.Port(), "slow.example/")->messageCode, TLVMessage::kReadFailed);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::seconds(9));
    server.Close();
}

namespace {

// Standard output replaced, for one scope, by the client end of a message-mode pipe: each
// write arrives as one message, so a read shows how the lines were written.
class CCapturedOutput {
public:
    explicit CCapturedOutput(const char* szPipe) : m_hSaved(::GetStdHandle(STD_OUTPUT_HANDLE)) {
        m_hRead =
            ::CreateNamedPipeA(szPipe, PIPE_ACCESS_INBOUND,
                               PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE, 1, 0, 65536, 0, nullptr);
        m_hWrite = ::CreateFileA(szPipe, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ::SetStdHandle(STD_OUTPUT_HANDLE, m_hWrite);
    }
    CCapturedOutput(const CCapturedOutput&) = delete;
    CCapturedOutput& operator=(const CCapturedOutput&) = delete;
    ~CCapturedOutput() {
        ::SetStdHandle(STD_OUTPUT_HANDLE, m_hSaved);
        ::CloseHandle(m_hWrite);
        ::CloseHandle(m_hRead);
    }

    // The messages written so far.
    std::vector<std::string> Messages() {
        std::vector<std::string> messages;
        DWORD dwAvailable = 0;
        while (::PeekNamedPipe(m_hRead, nullptr, 0, nullptr, &dwAvailable, nullptr) &&
               dwAvailable > 0) {
            std::string message(65536, '\0');
            DWORD dwRead = 0;
            if (!::ReadFile(m_hRead, message.data(), static_cast<DWORD>(message.size()), &dwRead,
                            nullptr)) {
                break;
            }
            message.resize(dwRead);
            messages.push_back(message);
        }
        return messages;
    }

private:
    HANDLE m_hSaved;
    HANDLE m_hRead = INVALID_HANDLE_VALUE;
    HANDLE m_hWrite = INVALID_HANDLE_VALUE;
};

}  // namespace

// A lookup's standard-output lines, with the C runtime's CR LF line ends, in one write.
TEST_F(TLVClientTest, LookupLinesReachStandardOutputInOneWrite) {
    ScriptedCategoryServer server(CategoryReply("News"));
    const std::string strPort = std::to_string(server.Port());
    std::vector<std::string> messages;
    {
        CCapturedOutput output("\\\\.\\pipe\\tlvclient-test-output");
        EXPECT_EQ(Ask(server.Port(), "news.example/")->messageCode, 4);
        messages = output.Messages();
    }
    ASSERT_EQ(messages.size(), 1U);
    const std::string strExpectedEnd = "Before connect 127.0.0.1 - " + strPort +
                                       "\r\n"
                                       "Connection eastablished\r\n"
                                       "Connected with server \r\n"
                                       "Before WriteMessage call\r\n"
                                       "Write message \r\n"
                                       "TYPE :4 LENGTH :18 VALUE :news.example/ MESSAGECODE :0\r\n"
                                       "Message Successfully sent to client....\r\n"
                                       "Read Message\r\n"
                                       "TYPE :4 LENGTH :9 VALUE :News MESSAGECODE :4\r\n"
                                       "Disconnected with server \r\n";
    EXPECT_EQ(messages[0].rfind("Constructor :: Port is ", 0), 0U);
    ASSERT_GE(messages[0].size(), strExpectedEnd.size());
    EXPECT_EQ(messages[0].substr(messages[0].size() - strExpectedEnd.size()), strExpectedEnd);
}

// No standard output, or a handle that is no console, file or pipe: nothing is written to
// it, and the lookup goes on as before.
TEST_F(TLVClientTest, WithoutStandardOutputTheLinesAreDropped) {
    const HANDLE hSaved = ::GetStdHandle(STD_OUTPUT_HANDLE);
    const HANDLE hEvent = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    for (const HANDLE hOutput : {HANDLE{nullptr}, INVALID_HANDLE_VALUE, hEvent}) {
        ::SetStdHandle(STD_OUTPUT_HANDLE, hOutput);
        EXPECT_FALSE(WriteStandardOutput("line\n"));
        ScriptedCategoryServer server(CategoryReply("News"));
        const auto reply = Ask(server.Port(), "news.example/");
        ::SetStdHandle(STD_OUTPUT_HANDLE, hSaved);
        EXPECT_EQ(reply->messageCode, 4);
        EXPECT_EQ(reply->value, "News");
    }
    EXPECT_EQ(::WaitForSingleObject(hEvent, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    ::CloseHandle(hEvent);
}

// With a wait the connect does not block: a refused one fails at once, with the refusal's code
// and not a time-out.
TEST_F(TLVClientTest, WithAWaitARefusedConnectFailsWithTheRefusal) {
    const CClosedPort closed;
    const int iPort = closed.Port();
    std::unique_ptr<TLVMessage> reply;
    std::vector<std::string> messages;
    {
        CCapturedOutput output("\\\\.\\pipe\\tlvclient-test-refused");
        TLVClient client;
        client.SetIPPort(::inet_addr("127.0.0.1"), iPort);
        client.SetWait(std::chrono::seconds(20));
        reply = client.SearchLumora(TLVMessage::kCategorySearch, "news.example/");
        EXPECT_EQ(client.Outcome(), CategoryExchange::Outcome::NoConnection);
        messages = output.Messages();
    }
    EXPECT_EQ(reply->messageCode, TLVMessage::kReadFailed);
    ASSERT_EQ(messages.size(), 1U);
    EXPECT_NE(messages[0].find("ERROR conecting to server 10061\r\n"), std::string::npos)
        << messages[0];
}

// What the lookup tells its caller of how the server behaved, which decides between a pause,
// the second server and asking again with type 4.
TEST_F(TLVClientTest, TheOutcomeSaysWhetherTheServerWasThereAndWhatItSent) {
    std::string garbled = CategoryReply("News");
    garbled[1] = 100;
    ScriptedCategoryServer replying(CategoryReply("News"));
    ScriptedCategoryServer garbling(garbled);
    ScriptedCategoryServer closing;
    ScriptedCategoryServer silent;
    const struct {
        ScriptedCategoryServer* pServer;
        CategoryExchange::Outcome expected;
    } cases[] = {
        {&replying, CategoryExchange::Outcome::Reply},
        {&garbling, CategoryExchange::Outcome::Garbled},
        {&closing, CategoryExchange::Outcome::Closed},
        {&silent, CategoryExchange::Outcome::NoReply},
    };
    for (const auto& c : cases) {
        TLVClient client;
        client.SetIPPort(::inet_addr("127.0.0.1"), c.pServer->Port());
        client.SetWait(std::chrono::milliseconds(c.pServer == &silent ? 300 : 20000));
        auto pending = std::async(std::launch::async, [&] {
            return client.SearchLumora(TLVMessage::kScopedCategorySearch, "news.example/");
        });
        if (c.pServer == &closing) {
            ASSERT_TRUE(closing.AwaitRequest());
            closing.Close();
        }
        pending.get();
        EXPECT_EQ(client.Outcome(), c.expected) << static_cast<int>(c.expected);
    }
    silent.AwaitRequest();
    silent.Close();
}
