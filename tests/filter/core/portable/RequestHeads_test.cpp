// The request heads of a connection's outgoing bytes, fed as programs send them: whole, cut
// in two at every place, and one byte at a time. Every way must give the same heads.
#include "filter/core/portable/RequestHeads.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

struct Head {
    std::string text;
    bool bTruncated = false;
    bool operator==(const Head&) const = default;
};

struct Outcome {
    std::vector<Head> heads;
    bool bHttp = true;
    bool operator==(const Outcome&) const = default;
};

void PrintTo(const Outcome& outcome, std::ostream* pOut) {
    *pOut << (outcome.bHttp ? "HTTP" : "not HTTP");
    for (const Head& head : outcome.heads) {
        *pOut << " | " << (head.bTruncated ? "truncated " : "") << head.text.size() << " bytes \""
              << head.text.substr(0, 60) << "\"";
    }
}

void FeedInto(CRequestHeads& heads, std::string_view bytes, Outcome& outcome) {
    heads.Feed(bytes, [&](std::string_view head, bool bTruncated) {
        outcome.heads.push_back({std::string(head), bTruncated});
    });
    outcome.bHttp = heads.IsHttp();
}

// Each piece is fed to a copy that is then stored back, as the connection table does.
Outcome FeedPieces(std::string_view stream, const std::vector<std::size_t>& cuts) {
    CRequestHeads stored;
    Outcome outcome;
    std::size_t pos = 0;
    for (std::size_t i = 0; i <= cuts.size(); ++i) {
        const std::size_t end = i < cuts.size() ? cuts[i] : stream.size();
        CRequestHeads heads = stored;
        FeedInto(heads, stream.substr(pos, end - pos), outcome);
        stored = heads;
        pos = end;
    }
    return outcome;
}

// Every place to cut a short stream; in a long one, the places near its ends and near the
// head size limit, and a sample of the others.
bool IsCutToTry(std::size_t pos, std::size_t nSize) {
    const auto near = [](std::size_t a, std::size_t b) { return (a > b ? a - b : b - a) < 200; };
    return nSize < 1000 || pos < 200 || near(pos, nSize) || near(pos, CRequestHeads::kMaxHead) ||
           pos % 97 == 0;
}

const std::string kGet = "GET /a HTTP/1.1\r\nHost: news.example\r\n\r\n";
const std::string kGet2 = "GET http://b.example/x?q=1 HTTP/1.1\r\nHost: b.example\r\n\r\n";
// A TLS record, then bytes that would read as a request.
constexpr char kTlsBytes[] = "\x16\x03\x01\x00\xa5\x01\x00\x00\xa1\x03\x03GET / HTTP/1.1\r\n\r\n";
const std::string kTls(kTlsBytes, sizeof kTlsBytes - 1);

std::string Repeat(char c, std::size_t n) {
    return std::string(n, c);
}

}  // namespace

TEST(RequestHeads, SameHeadsHoweverTheStreamIsSplit) {
    const std::string longHead =
        "GET /long HTTP/1.1\r\nX-Pad: " + Repeat('a', 20000) + "\r\nContent-Length: 3\r\n\r\n";
    const std::string chunkedPost = "POST /c HTTP/1.1\r\nTransfer-Encoding: gzip, Chunked\r\n\r\n";
    const std::string lengthPost = "POST /f HTTP/1.1\r\nContent-Length: 20\r\n\r\n";
    const std::string upgrade =
        "GET /ws HTTP/1.1\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n\r\n";
    struct Case {
        const char* name;
        std::string stream;
        Outcome expected;
    };
    const std::vector<Case> cases = {
        {"one GET", kGet, {{{kGet}}}},
        {"keep-alive", kGet + kGet2, {{{kGet}, {kGet2}}}},
        {"lower-case names",
         "GET / HTTP/1.1\r\nhost: a\r\ncontent-length: 2\r\n\r\nxx" + kGet,
         {{{"GET / HTTP/1.1\r\nhost: a\r\ncontent-length: 2\r\n\r\n"}, {kGet}}}},
        // The body looks like a request, and must not be taken for one.
        {"body skipped",
         lengthPost + "GET /no HTTP/1.1\r\n\r\n" + kGet2,
         {{{lengthPost}, {kGet2}}}},
        {"chunked body skipped",
         chunkedPost + "5;ext=\"v\"\r\nGET /\r\n1A\r\nGET /no HTTP/1.1\r\n\r\n123456\r\n" +
             "0\r\nTrailer: x\r\n\r\n" + kGet,
         {{{chunkedPost}, {kGet}}}},
        {"chunked, empty trailer", chunkedPost + "0\r\n\r\n" + kGet, {{{chunkedPost}, {kGet}}}},
        {"bare line feeds and empty lines between requests",
         "GET / HTTP/1.0\nContent-Length: 1\n\nx\r\n\r\n" + kGet,
         {{{"GET / HTTP/1.0\nContent-Length: 1\n\n"}, {kGet}}}},
        // Its Content-Length lies past the cut, and is still honoured.
        {"head over the limit",
         longHead + "abc" + kGet,
         {{{longHead.substr(0, CRequestHeads::kMaxHead), true}, {kGet}}}},
        {"TLS", kTls, {{}, false}},
        {"text that is no request line", "HELO mail.example\r\n" + kGet, {{}, false}},
        {"CONNECT, then the tunnel",
         "CONNECT a.example:443 HTTP/1.1\r\nHost: a.example:443\r\n\r\n" + kTls + kGet,
         {{{"CONNECT a.example:443 HTTP/1.1\r\nHost: a.example:443\r\n\r\n"}}, false}},
        {"WebSocket upgrade, then frames",
         upgrade + "\x81\x85\x37\xfa\x21\x3d\x7f\x9f",
         {{{upgrade}}, false}},
        {"upgrade refused, another request", upgrade + kGet, {{{upgrade}, {kGet}}}},
        {"invalid Content-Length",
         "POST / HTTP/1.1\r\nContent-Length: 1x\r\n\r\n1x" + kGet,
         {{{"POST / HTTP/1.1\r\nContent-Length: 1x\r\n\r\n"}}, false}},
        {"conflicting Content-Length",
         "POST / HTTP/1.1\r\nContent-Length: 2\r\nContent-Length: 3\r\n\r\nab" + kGet,
         {{{"POST / HTTP/1.1\r\nContent-Length: 2\r\nContent-Length: 3\r\n\r\n"}}, false}},
        {"repeated equal Content-Length",
         "POST / HTTP/1.1\r\nContent-Length: 2, 2\r\nContent-Length: 2\r\n\r\nab" + kGet,
         {{{"POST / HTTP/1.1\r\nContent-Length: 2, 2\r\nContent-Length: 2\r\n\r\n"}, {kGet}}}},
        {"last coding not chunked",
         "POST / HTTP/1.1\r\nTransfer-Encoding: chunked, gzip\r\n\r\n",
         {{{"POST / HTTP/1.1\r\nTransfer-Encoding: chunked, gzip\r\n\r\n"}}, false}},
        {"bad chunk size",
         chunkedPost + "5x\r\nabcde\r\n0\r\n\r\n" + kGet,
         {{{chunkedPost}}, false}},
        {"chunk-size line too long",
         chunkedPost + "1;" + Repeat('e', 2000) + "\r\nx\r\n",
         {{{chunkedPost}}, false}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::size_t nSize = c.stream.size();
        EXPECT_EQ(FeedPieces(c.stream, {}), c.expected);
        for (std::size_t cut = 1; cut < nSize; ++cut) {
            const bool bTry = IsCutToTry(cut, nSize);
            if (bTry && FeedPieces(c.stream, {cut}) != c.expected) {
                EXPECT_EQ(FeedPieces(c.stream, {cut}), c.expected) << "cut at " << cut;
                break;
            }
        }
        std::vector<std::size_t> bytes;
        for (std::size_t cut = 1; cut < nSize; ++cut) {
            bytes.push_back(cut);
        }
        EXPECT_EQ(FeedPieces(c.stream, bytes), c.expected) << "one byte at a time";
    }
}

TEST(RequestHeads, NotHttpFromTheFirstByte) {
    for (const std::string& first :
         {std::string("\x16"), std::string(1, '\0'), std::string(" "), std::string("\x81")}) {
        CRequestHeads heads;
        heads.Feed(first, [](std::string_view, bool) { FAIL(); });
        EXPECT_FALSE(heads.IsHttp()) << static_cast<int>(first[0]);
    }
    CRequestHeads heads;
    heads.Feed(Repeat('G', 40), [](std::string_view, bool) { FAIL(); });
    EXPECT_FALSE(heads.IsHttp()) << "a method longer than any";
}

TEST(RequestHeads, HeadWithinOneSendIsHandedOverWhereItLies) {
    const std::string sent = kGet + kGet2.substr(0, 10);
    CRequestHeads heads;
    std::vector<const char*> starts;
    heads.Feed(sent, [&](std::string_view head, bool) { starts.push_back(head.data()); });
    heads.Feed(kGet2.substr(10), [&](std::string_view head, bool) {
        EXPECT_EQ(head, kGet2);
        starts.push_back(head.data());
    });
    ASSERT_EQ(starts.size(), 2U);
    EXPECT_EQ(starts[0], sent.data());
}

TEST(RequestHeads, AHandlerThatThrowsLeavesTheStateWhole) {
    CRequestHeads heads;
    heads.Feed(std::string_view(kGet).substr(0, 5), [](std::string_view, bool) {});
    EXPECT_THROW(heads.Feed(std::string_view(kGet).substr(5),
                            [](std::string_view, bool) { throw std::runtime_error("judge"); }),
                 std::runtime_error);
    Outcome outcome;
    FeedInto(heads, kGet2, outcome);
    EXPECT_EQ(outcome, (Outcome{{{kGet2}}}));
}

TEST(RequestHeads, BodiesOver4GiBAreSkippedWhole) {
    const std::uint64_t nBody = (std::uint64_t{1} << 32) + 10;
    const std::string megabyte = Repeat('x', std::size_t{1} << 20);
    const std::string lengthHead = "PUT /big HTTP/1.1\r\nContent-Length: 4294967306\r\n\r\n";
    // A chunk of the same size, in hexadecimal.
    const std::string chunkedHead = "PUT /big HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n";
    for (const std::string& head : {lengthHead, chunkedHead + "10000000a\r\n"}) {
        CRequestHeads heads;
        int nHeads = 0;
        const auto count = [&](std::string_view, bool) { ++nHeads; };
        heads.Feed(head, count);
        std::uint64_t nSent = 0;
        while (nSent + megabyte.size() <= nBody) {
            heads.Feed(megabyte, count);
            nSent += megabyte.size();
        }
        heads.Feed(std::string_view(megabyte).substr(0, nBody - nSent), count);
        heads.Feed(head == lengthHead ? kGet : "\r\n0\r\n\r\n" + kGet, count);
        EXPECT_EQ(nHeads, 2) << head;
        EXPECT_TRUE(heads.IsHttp());
    }
}

// A stream that began as HTTP and then has bytes no request starts with is read by a server
// some way the filter did not: it is unreadable, unlike a stream that never was HTTP, a tunnel
// or an upgraded protocol.
TEST(RequestHeads, UnreadableOnlyAfterAStreamBeganAsHttp) {
    struct Case {
        const char* bytes;
        bool bUnreadable;
    };
    const Case cases[] = {
        {"GET / HTTP/1.1\r\n\r\n\x01\x02 binary", true},
        {"GET / HTTP/1.1\r\n\r\nGET /x HTTX/1.1\r\n\r\n", true},
        {"GET /x HTTX/1.1\r\n\r\n", true},
        {"POST / HTTP/1.1\r\nContent-Length: 1x\r\n\r\n", true},
        {"POST / HTTP/1.1\r\nTransfer-Encoding: gzip\r\n\r\n", true},
        {"POST / HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\n", true},
        {"EHLO mail.example\r\n", false},
        {"\x16\x03\x01\x02\x00", false},
        {"CONNECT a.example:443 HTTP/1.1\r\n\r\n\x16\x03\x01", false},
        {"GET /chat HTTP/1.1\r\nUpgrade: websocket\r\n\r\n\x81\x85 frame", false},
        {"GET /chat HTTP/1.1\r\nUpgrade: h2c\r\n\r\nGET / HTTP/1.1\r\n\r\n", false},
        {"PRI * HTTP/2.0\r\n\r\nSM\r\n\r\n\x00\x00\x12\x04", false},
    };
    for (const Case& c : cases) {
        CRequestHeads heads;
        heads.Feed(c.bytes, [](std::string_view, bool) {});
        EXPECT_EQ(heads.Unreadable(), c.bUnreadable) << c.bytes;
    }
}
