// The judgement of the send, receive and connect paths, driven with buffers as the frame
// hands them over, against a fresh installation and a scripted category server.
#include "filter/core/FilterHooks.h"

#include <winsock2.h>
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "Api/PolicyApi.h"
#include "Api/portable/Crypto.h"
#include "filter/core/SharedFilterState.h"
#include "filter/core/portable/FilterLog.h"
#include "tests/support/FreshInstallation.h"
#include "tests/support/RecordingFilterLog.h"
#include "tests/support/ScriptedCategoryServer.h"
#include "win/UniqueHandle.h"

namespace {

constexpr SOCKET kSocket = 0x1234;
const char kResponse[] = "HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\nhello";

int SetWords(int iAllowed, std::vector<const char*> words) {
    char** list = const_cast<char**>(words.data());
    int count = static_cast<int>(words.size());
    return SetURLList("Default", iAllowed, &list, &count);
}

int SetCategories(std::vector<const char*> names) {
    char** list = const_cast<char**>(names.data());
    int count = static_cast<int>(names.size());
    return SetCategoryList("Default", &list, &count);
}

class FilterHooksTest : public ::testing::Test {
protected:
    FilterHooksTest() {
        SetFilterLog(&m_log);
        WSADATA data;
        ::WSAStartup(MAKEWORD(2, 2), &data);
        static const SharedFilterState s_initial;
        TheSharedState() = s_initial;
        TheSharedState().processCount = 1;
        TheSocketFilterTable().Remove(kSocket);
    }
    ~FilterHooksTest() override {
        SetFilterLog(nullptr);
        ::WSACleanup();
    }

    // A connect to the web server. The rules are reloaded, as after the settings program
    // saved them.
    void Connect() {
        UpdateRequire(1);
        sockaddr_in web{};
        web.sin_family = AF_INET;
        web.sin_addr.s_addr = ::inet_addr("127.0.0.2");
        FilterConnect(kSocket, reinterpret_cast<sockaddr*>(&web), sizeof web);
    }
    void Send(const std::string& bytes) {
        WSABUF buffer{static_cast<ULONG>(bytes.size()), const_cast<char*>(bytes.data())};
        FilterSend(kSocket, &buffer, 1);
    }
    // What the application receives when the server sends `server` into a buffer of nSize.
    std::string Receive(const std::string& server = kResponse, ULONG nSize = 4096) {
        m_buffer.assign(nSize, '\x7F');
        WSABUF buffer{nSize, m_buffer.data()};
        DWORD nReceived = 0;
        if (!FilterRecvPending(kSocket, &buffer, 1, &nReceived)) {
            nReceived = static_cast<DWORD>(std::min<size_t>(server.size(), nSize));
            std::memcpy(m_buffer.data(), server.data(), nReceived);
            FilterRecv(kSocket, &buffer, 1, &nReceived);
        }
        return std::string(m_buffer.data(), nReceived);
    }
    // After Connect(): a reload takes the configured server.
    void UseCategoryServer(int iPort) {
        TheSharedState().categoryServerAddress = ::inet_addr("127.0.0.1");
        TheSharedState().categoryServerPort = iPort;
    }
    static std::string Request(const std::string& path, const std::string& host = "Host: ") {
        return "GET " + path + " HTTP/1.1\r\n" + host + "games.example\r\nAccept: */*\r\n\r\n";
    }

    CFreshInstallation m_install;
    std::vector<char> m_buffer;
    CRecordingLog m_log;
};

}  // namespace

TEST_F(FilterHooksTest, BlockedWordGetsThePageThenTheEndOfTheStream) {
    ASSERT_EQ(SetWords(0, {"POKER"}), 1);
    Connect();
    Send(Request("/poker/table"));
    const std::string page = Receive();
    EXPECT_EQ(page.substr(0, 17), "HTTP/1.0 200 OK\r\n");
    EXPECT_NE(page.find("URL Word applied is: <span style='color:blue'>poker</span>"),
              std::string::npos);
    EXPECT_NE(page.find("http://games.example</span>"), std::string::npos);
    EXPECT_EQ(m_buffer[page.size()], '\0');
    EXPECT_EQ(Receive(), "");
    EXPECT_NE(m_install.CountInApiLog("API :: GetURLList"), 0);
    EXPECT_THAT(m_log.m_lines,
                ::testing::IsSupersetOf(
                    {"WSPSend    :: RuleApplied: WordInURLMatched", "WSPRecv :: Page Redirected"}));
}

TEST_F(FilterHooksTest, UnjudgedTrafficPassesUnchanged) {
    Connect();
    Send("\x16\x03\x01 binary hello");
    EXPECT_EQ(Receive(), kResponse);
    // An allowed word beats a blocked one.
    ASSERT_EQ(SetWords(1, {"games"}), 1);
    ASSERT_EQ(SetWords(0, {"poker"}), 1);
    Connect();
    Send(Request("/poker"));
    EXPECT_EQ(Receive(), kResponse);
    // Filtering switched off between request and response: the response passes.
    ASSERT_EQ(SetWords(1, {}), 1);
    Connect();
    Send(Request("/poker"));
    TheSharedState().filterOff = 1;
    EXPECT_EQ(Receive(), kResponse);
}

TEST_F(FilterHooksTest, CategoriesFromTheServerWithNullAsTheDefault) {
    ASSERT_EQ(SetCategories({"Games", "Null"}), 1);
    {
        ScriptedCategoryServer server(CategoryReply("Games"));
        Connect();
        UseCategoryServer(server.Port());
        Send(Request("/"));
        EXPECT_EQ(server.Request().substr(5), "games.example/");
    }
    EXPECT_NE(Receive().find("Category applied is: <span style='color:blue'>Games</span>"),
              std::string::npos);
    {
        ScriptedCategoryServer server(CategoryReply("Cooking"));  // not a known category
        Connect();
        UseCategoryServer(server.Port());
        Send(Request("/recipes"));
    }
    EXPECT_NE(Receive().find("Category applied is: <span style='color:blue'>Cooking</span>"),
              std::string::npos);
    {
        ScriptedCategoryServer server(CategoryReply("News"));
        Connect();
        UseCategoryServer(server.Port());
        Send(Request("/"));
    }
    EXPECT_EQ(Receive(), kResponse);
}

TEST_F(FilterHooksTest, CorruptedSettingsPageHasItsDocumentedSize) {
    Connect();
    TheSharedState().settingsCorrupted = 1;
    TheSharedState().applicationPath[0] = '\0';
    std::strcpy(TheSharedState().currentUser, "Default");
    Send(Request("/"));
    const std::string page = Receive();
    EXPECT_EQ(page.size(), 809u);
    EXPECT_NE(page.find("Content-Length: 667\r\n"), std::string::npos);
    EXPECT_EQ(m_buffer[809], '\0');
}

// An edit behind the library's back on a file that cannot be put back (another program holds
// it without sharing) is the corrupted state for the filter, not the edited file's rules.
TEST_F(FilterHooksTest, SettingsThatCannotBeRestoredGiveTheCorruptedPage) {
    ASSERT_EQ(SetWords(0, {"poker"}), 1);
    const std::string strFile = m_install.SettingsFile();
    CCrypto crypto;
    ASSERT_TRUE(crypto.Encode("-1"));
    ASSERT_TRUE(
        ::WritePrivateProfileStringA("USER1", "BURL", crypto.OutputText(), strFile.c_str()));
    CFileHandle held(::CreateFileA(strFile.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held);
    Connect();
    Send(Request("/news"));
    const std::string page = Receive();
    held.Reset();
    EXPECT_NE(page.find("Quillon Parental Control configuration is corrupted."), std::string::npos)
        << page;
    EXPECT_EQ(TheSharedState().settingsCorrupted, 1);
    EXPECT_NE(m_install.CountInApiLog("IniFile :: File restore failed"), 0);
}

TEST_F(FilterHooksTest, PageLargerThanTheBufferArrivesOverSeveralReceives) {
    ASSERT_EQ(SetWords(0, {"poker"}), 1);
    Connect();
    Send(Request("/poker"));
    std::string page;
    for (std::string piece = Receive(kResponse, 100); !piece.empty();
         piece = Receive(kResponse, 100)) {
        ASSERT_LE(piece.size(), 100u);
        page += piece;
    }
    EXPECT_EQ(page.substr(0, 17), "HTTP/1.0 200 OK\r\n");
    EXPECT_EQ(page.substr(page.size() - 11), "</html>\r\n\r\n");
    EXPECT_EQ(page.find("hello"), std::string::npos);
}

TEST_F(FilterHooksTest, SmallSendsAreCollectedIntoOneHead) {
    ASSERT_EQ(SetWords(0, {"poker"}), 1);
    Connect();
    const std::string request = "GET /poker HTTP/1.1\r\nhost: games.example\r\n\r\n";
    // Pieces of 1 and 2 bytes; the head is complete with a 2-byte piece.
    const size_t nLast = request.size() - 2;
    for (size_t i = 0; i < nLast;) {
        const size_t n = std::min<size_t>((i % 3 == 0) ? 1 : 2, nLast - i);
        Send(request.substr(i, n));
        i += n;
    }
    Send(request.substr(nLast));
    EXPECT_NE(Receive().find("poker"), std::string::npos);
}

TEST_F(FilterHooksTest, KeepAliveSecondRequestAfterAPassedResponsePasses) {
    Connect();
    {
        ScriptedCategoryServer server(CategoryReply("Games"));
        UseCategoryServer(server.Port());
        Send(Request("/index"));
    }
    EXPECT_EQ(Receive(), kResponse);
    // The second request is blocked, but the connection's response was already checked.
    TheSharedState().settingsCorrupted = 1;
    Send(Request("/next"));
    EXPECT_EQ(TheSocketFilterTable().Lookup(kSocket)->webPageBlocked, 1);
    EXPECT_EQ(Receive(), kResponse);
}

TEST_F(FilterHooksTest, HostHeaderIsFoundOnlyAsAHeader) {
    ASSERT_EQ(SetWords(0, {"games.example"}), 1);
    Connect();
    ScriptedCategoryServer server(CategoryReply("News"));
    UseCategoryServer(server.Port());
    Send("GET /a HTTP/1.1\r\nX-Forwarded-Host: games.example\r\nHost: news.example\r\n\r\n");
    const auto state = TheSocketFilterTable().Lookup(kSocket);
    ASSERT_TRUE(state.has_value());
    EXPECT_STREQ(state->host, "news.example");
    EXPECT_EQ(state->webPageBlocked, 0);
}

TEST_F(FilterHooksTest, AFirstReceiveOfOneBytePassesAndTheNextIsReplaced) {
    ASSERT_EQ(SetWords(0, {"poker"}), 1);
    Connect();
    Send(Request("/poker"));
    EXPECT_EQ(Receive(kResponse, 1), "H");
    EXPECT_EQ(Receive().substr(0, 17), "HTTP/1.0 200 OK\r\n");
    EXPECT_EQ(Receive(), "");
}

namespace {

class CSilentLog : public IFilterLog {
public:
    bool Enabled(signed char) const override { return false; }
    void Write(const std::string&, signed char) override {}
};

}  // namespace

// A keep-alive client sending its next requests (each head in two sends) while an overlapped
// receive completes on another thread, page piece by page piece: both keep their changes. Were
// either side to write back a copy it took before the other changed the record, the page would
// come twice or torn, or the parser would lose its place in a head.
// One round of the race below: the page the receives got, and the record after.
struct RaceOutcome {
    std::string page;
    std::optional<SocketFilterState> state;
};

RaceOutcome RaceASendAndAReceive(const std::string& head) {
    RaceOutcome outcome;
    std::atomic<bool> bDone = false;
    std::thread receiver([&] {
        std::vector<char> buffer(11);
        // Bounded: a page revived by stale copies could otherwise come without end.
        while (outcome.page.size() < std::size_t{1} << 20) {
            std::fill(buffer.begin(), buffer.end(), 'x');
            WSABUF in{static_cast<ULONG>(buffer.size()), buffer.data()};
            const DWORD n = FilterOverlappedRecvDone(kSocket, &in, 1, in.len);
            if (n == 0) {
                break;
            }
            outcome.page.append(buffer.data(), n);
        }
        bDone = true;
    });
    while (!bDone) {
        for (const std::string& piece : {head.substr(0, 20), head.substr(20)}) {
            WSABUF buffer{static_cast<ULONG>(piece.size()), const_cast<char*>(piece.data())};
            FilterSend(kSocket, &buffer, 1);
        }
    }
    receiver.join();
    outcome.state = TheSocketFilterTable().Lookup(kSocket);
    return outcome;
}

// A keep-alive client sending its next requests (each head in two sends) while an overlapped
// receive completes on another thread, page piece by page piece: both keep their changes. Were
// either side to write back a copy it took before the other changed the record, the page would
// come twice or torn, or the parser would lose its place in a head. Several rounds, since a
// lost change shows only when the two interleave just so.
TEST_F(FilterHooksTest, ASendAndAReceiveCompletionRacingKeepBothTheirChanges) {
    ASSERT_EQ(SetWords(0, {"poker"}), 1);
    CSilentLog silent;
    for (int iRound = 0; iRound < 8; ++iRound) {
        SCOPED_TRACE(iRound);
        Connect();
        SetFilterLog(&silent);
        SetSharedSwitches(true, 5);
        Send(Request("/poker"));
        const RaceOutcome outcome = RaceASendAndAReceive(Request("/next"));
        SetSharedSwitches(false, 0);
        SetFilterLog(&m_log);
        const std::string& page = outcome.page;
        const std::size_t nBody = page.find("\r\n\r\n") + 4;
        const std::size_t nLength = page.find("Content-Length: ");
        ASSERT_NE(nLength, std::string::npos);
        // The page's body is followed by a blank line its length does not count.
        ASSERT_EQ(page.size() - nBody, std::stoul(page.substr(nLength + 16)) + 4) << "page torn";
        ASSERT_EQ(page.find("HTTP/1.0 200 OK", 1), std::string::npos) << "page twice";
        ASSERT_TRUE(outcome.state.has_value());
        ASSERT_EQ(outcome.state->stream, StreamKind::kHttp) << "a head misread";
        ASSERT_EQ(outcome.state->redirected, 1);
    }
}

// With filtering switched off nothing is refused, not even what no server reads as the filter
// does: a malformed hello, a request line that is not HTTP's.
TEST_F(FilterHooksTest, FilteringOffRefusesNothingTheStrictFilterCannotRead) {
    const std::string unreadable[] = {"GET / HTTX/1.1\r\nHost: games.example\r\n\r\n",
                                      std::string("\x16\x03\x01\x00\x05\x01\x00\x00\x01\x00", 10)};
    for (const std::string& bytes : unreadable) {
        Connect();
        SetSharedSwitches(true, 5);
        TheSharedState().filterOff = 1;
        WSABUF buffer{static_cast<ULONG>(bytes.size()), const_cast<char*>(bytes.data())};
        EXPECT_FALSE(FilterSend(kSocket, &buffer, 1));
        TheSharedState().filterOff = 0;
        EXPECT_FALSE(FilterSend(kSocket, &buffer, 1)) << "passed for good";
        // With filtering on, the same bytes on a new connection are refused.
        Connect();
        SetSharedSwitches(true, 5);
        TheSharedState().filterOff = 0;
        EXPECT_TRUE(FilterSend(kSocket, &buffer, 1));
    }
    SetSharedSwitches(false, 0);
}
