// Every HTTP request judged with the strict switch on, whichever way the application writes it:
// split over sends, on a reused connection, with overlapped sends and receives however the
// application waits for them. Through the host and the layer, against real peers on loopback.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "tests/filter/StrictFilteringTest.h"

namespace {

constexpr char kPageStart[] = "HTTP/1.0 200 OK\r\n";
constexpr char kPokerPolicy[] = "URL Word applied is: <span style='color:blue'>poker</span>";

std::string Get(const std::string& path) {
    return "GET " + path + " HTTP/1.1\r\nHost: games.example\r\nAccept: */*\r\n\r\n";
}

// How the application writes its requests: the pieces of each send, and whether the first
// response is read before the request under test is sent on the same connection.
struct SplitCase {
    const char* szName;
    std::vector<std::string> sends;
    bool bAfterAPassedRequest;
};

const SplitCase kSplitCases[] = {
    {"one byte at a time", {}, false},
    {"request line, then headers",
     {"GET /poker/tables HTTP/1.1\r\n", "Host: games.example\r\nAccept: */*\r\n\r\n"},
     false},
    {"second request of a reused connection", {Get("/poker/tables")}, true},
    {"bare line feeds", {"GET /poker/tables HTTP/1.1\nHost: games.example\n\n"}, false},
};

std::vector<std::string> Pieces(const SplitCase& split) {
    if (!split.sends.empty()) {
        return split.sends;
    }
    std::vector<std::string> bytes;
    for (const char c : Get("/poker/tables")) {
        bytes.emplace_back(1, c);
    }
    return bytes;
}

class SplitRequests : public StrictFilteringTest, public ::testing::WithParamInterface<Filtering> {
protected:
    SplitRequests() : StrictFilteringTest(GetParam()) {}
};

TEST_P(SplitRequests, AreJudgedWithTheSwitchOnAndPassAsBeforeWithItOff) {
    for (const SplitCase& split : kSplitCases) {
        SCOPED_TRACE(split.szName);
        CKeepAliveServer web;
        CSocket client = ConnectTo(web.Address());
        ASSERT_TRUE(client);
        std::string sent;
        if (split.bAfterAPassedRequest) {
            sent = Get("/index.html");
            SendAll(client.Get(), sent);
            EXPECT_EQ(ReadResponse(client.Get()), Response(kBody));
        }
        for (const std::string& piece : Pieces(split)) {
            SendAll(client.Get(), piece);
            sent += piece;
        }
        ::shutdown(client.Get(), SD_SEND);
        const std::string answer = ReceiveAll(client.Get());
        if (GetParam() == Filtering::kStrict) {
            EXPECT_EQ(answer.substr(0, 17), kPageStart);
            EXPECT_NE(answer.find(kPokerPolicy), std::string::npos);
        } else {
            EXPECT_EQ(answer, Response(kBody));
        }
        // The request itself always reaches the server whole.
        EXPECT_EQ(web.Received(), sent);
    }
}

INSTANTIATE_TEST_SUITE_P(Switch, SplitRequests,
                         ::testing::Values(Filtering::kStrict, Filtering::kCompat),
                         [](const ::testing::TestParamInfo<Filtering>& param) {
                             return param.param == Filtering::kStrict ? "On" : "Off";
                         });

TEST_F(StrictFilteringTest, OverlappedRequestsGetTheBlockPageHoweverTheApplicationWaits) {
    for (const Wait wait : {Wait::kEvent, Wait::kCompletionRoutine, Wait::kResultQuery}) {
        SCOPED_TRACE(static_cast<int>(wait));
        CKeepAliveServer web;
        // A Host with its port, as browsers send for other ports than 80.
        const std::string answer = OverlappedExchange(
            web.Address(), "GET /poker/tables HTTP/1.1\r\nHost: games.example:8080\r\n\r\n", wait);
        EXPECT_EQ(answer.substr(0, 17), kPageStart);
        EXPECT_NE(answer.find(kPokerPolicy), std::string::npos);
        EXPECT_EQ(answer.find(kBody), std::string::npos);
        const BlockJournalEntry block = CPolicyLibrary().NewestBlock();
        EXPECT_EQ(block.iScheme, BLOCK_SCHEME_HTTP);
        EXPECT_STREQ(block.szHost, "games.example");
        EXPECT_STREQ(block.szUrl, "games.example:8080/poker/tables");
        EXPECT_STREQ(block.szMatch, "poker");
    }
}

TEST_F(StrictFilteringTest, APageLargerThanTheBuffersComesOverSeveralOverlappedReceives) {
    CKeepAliveServer web;
    const std::string whole = OverlappedExchange(web.Address(), Get("/poker"), Wait::kEvent);
    ASSERT_EQ(whole.substr(0, 17), kPageStart);
    for (const bool bTwoBuffers : {false, true}) {
        CKeepAliveServer again;
        EXPECT_EQ(
            OverlappedExchange(again.Address(), Get("/poker"), Wait::kEvent, 100, bTwoBuffers),
            whole);
    }
}

TEST_F(StrictFilteringTest, AnAllowedOverlappedRequestPassesByteForByte) {
    std::string body(256 * 1024, '\0');
    for (std::size_t i = 0; i < body.size(); ++i) {
        body[i] = static_cast<char>(i * 7 + i / 251);
    }
    CKeepAliveServer web(body);
    const std::string request = Get("/news/today");
    EXPECT_EQ(OverlappedExchange(web.Address(), request, Wait::kEvent), Response(body));
    EXPECT_EQ(web.Received(), request);
}

}  // namespace
