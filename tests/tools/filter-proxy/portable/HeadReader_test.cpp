// A message head read from a stream cut anywhere: every way of cutting must give the same
// head, take the same bytes, and leave the rest for what follows.
#include "tools/filter-proxy/portable/HeadReader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Outcome {
    CHeadReader::State state;
    std::string head;
    std::string rest;
    bool operator==(const Outcome&) const = default;
};

// Feeds `stream` in pieces cut at `cuts` (sorted), as a connection would deliver it.
Outcome Read(std::string_view stream, const std::vector<std::size_t>& cuts, std::size_t nMax) {
    CHeadReader reader(nMax);
    std::string rest;
    std::size_t pos = 0;
    std::vector<std::size_t> ends = cuts;
    ends.push_back(stream.size());
    for (const std::size_t end : ends) {
        const std::string_view piece = stream.substr(pos, end - pos);
        const std::size_t nTaken = reader.Feed(piece);
        rest += piece.substr(nTaken);
        pos = end;
    }
    return {reader.GetState(), reader.Head(), rest};
}

struct Case {
    const char* szName;
    std::string stream;
    std::size_t nMax;
    Outcome expected;
};

const Case kCases[] = {
    {"crlf",
     "GET http://a/ HTTP/1.1\r\nHost: a\r\n\r\nBODY",
     100,
     {CHeadReader::State::kComplete, "GET http://a/ HTTP/1.1\r\nHost: a\r\n\r\n", "BODY"}},
    {"bare line feeds",
     "GET / HTTP/1.0\nA: b\n\nnext",
     100,
     {CHeadReader::State::kComplete, "GET / HTTP/1.0\nA: b\n\n", "next"}},
    {"stray line ends before the head are skipped",
     "\r\n\r\nGET / HTTP/1.0\r\n\r\n",
     100,
     {CHeadReader::State::kComplete, "GET / HTTP/1.0\r\n\r\n", ""}},
    {"a CR inside a line does not end it",
     "A\rB\r\nC: d\r\n\r\n",
     100,
     {CHeadReader::State::kComplete, "A\rB\r\nC: d\r\n\r\n", ""}},
    {"unfinished",
     "GET / HTTP/1.1\r\nHost: a\r\n",
     100,
     {CHeadReader::State::kPartial, "GET / HTTP/1.1\r\nHost: a\r\n", ""}},
    {"exactly at the limit",
     "GET / HTTP/1.0\r\n\r\nX",
     18,
     {CHeadReader::State::kComplete, "GET / HTTP/1.0\r\n\r\n", "X"}},
    {"one byte over the limit",
     "GET / HTTP/1.0\r\n\r\n",
     17,
     {CHeadReader::State::kTooLarge, "GET / HTTP/1.0\r\n\r", ""}},
};

class HeadReaderTest : public ::testing::TestWithParam<Case> {};

TEST_P(HeadReaderTest, GivesTheSameHeadHoweverTheStreamIsCut) {
    const Case& c = GetParam();
    EXPECT_EQ(Read(c.stream, {}, c.nMax), c.expected);
    for (std::size_t cut = 0; cut <= c.stream.size(); ++cut) {
        SCOPED_TRACE("cut at " + std::to_string(cut));
        EXPECT_EQ(Read(c.stream, {cut}, c.nMax), c.expected);
    }
    std::vector<std::size_t> everyByte;
    for (std::size_t i = 1; i < c.stream.size(); ++i) {
        everyByte.push_back(i);
    }
    EXPECT_EQ(Read(c.stream, everyByte, c.nMax), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Streams, HeadReaderTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& info) {
                             std::string name;
                             for (const char* p = info.param.szName; *p != '\0'; ++p) {
                                 name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
                             }
                             return name;
                         });

}  // namespace
