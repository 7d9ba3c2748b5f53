// The send path's reading of a connection's request, fed as programs send it: whole, or cut
// into pieces at awkward places (1- and 2-byte pieces are collected into a head).
#include "filter/core/portable/RequestInspector.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace {

const std::string kRequest = "GET /a HTTP/1.1\r\nHost: News.Example\r\n\r\n";

class CRecordingLog : public IFilterLog {
public:
    bool Enabled(signed char) const override { return true; }
    void Write(const std::string& strText, signed char) override { lines.push_back(strText); }

    std::vector<std::string> lines;
};

struct Outcome {
    SocketFilterState state;
    std::optional<std::string> requestUri;  // the last one reported
    std::vector<bool> judged;               // per send
    CRecordingLog log;
};

// Sends `bytes` in pieces of the given sizes, the last size repeated to the end.
Outcome Inspect(const std::string& bytes, const std::vector<size_t>& sizes) {
    Outcome out;
    for (size_t pos = 0, i = 0; pos < bytes.size(); ++i) {
        const size_t n = std::min(sizes[std::min(i, sizes.size() - 1)], bytes.size() - pos);
        const InspectedSend send =
            InspectSend(out.state, std::string_view(bytes).substr(pos, n), out.log);
        if (send.requestUri) {
            out.requestUri = send.requestUri;
        }
        out.judged.push_back(send.bJudge);
        pos += n;
    }
    return out;
}

}  // namespace

TEST(RequestInspector, SplitsOfOneRequest) {
    struct Case {
        const char* name;
        std::vector<size_t> sizes;
        std::uint8_t isHttp;
        const char* host;  // taken only from a collected head, lower-cased
        std::optional<std::string> requestUri;
    };
    const Case cases[] = {
        {"whole", {1000}, 1, "", "/a"},
        {"one byte, then two at a time: a head collected", {1, 2}, 1, "news.example", "/a"},
        // 39 bytes: the head's last byte comes alone, and only a 2-byte send ends a head.
        {"two bytes at a time: the head ends on one byte", {2}, 0, "", std::nullopt},
        {"one byte at a time: only collected", {1}, 0, "", std::nullopt},
        {"request line cut inside the version", {12, 1000}, 1, "", "/a"},
        // Each send's line is read on its own: the rest, read as a request line, has no
        // "HTTP/" where a version would be.
        {"cut before the second blank: never recognised", {6, 1000}, 0, "", "HTTP/1.1\r\nHost:"},
        {"three-byte pieces: never collected", {3}, 0, "", std::nullopt},
    };
    for (const Case& c : cases) {
        const Outcome out = Inspect(kRequest, c.sizes);
        EXPECT_EQ(out.state.isHttp, c.isHttp) << c.name;
        EXPECT_STREQ(out.state.host, c.host) << c.name;
        EXPECT_EQ(out.requestUri, c.requestUri) << c.name;
    }
}

TEST(RequestInspector, SmallSendsAreCollectedUntilAHeadEndsOnATwoByteSend) {
    Outcome out = Inspect(kRequest.substr(0, kRequest.size() - 1), {1});
    EXPECT_EQ(out.state.pendingRequest, kRequest.substr(0, kRequest.size() - 1));
    EXPECT_EQ(out.judged, std::vector<bool>(kRequest.size() - 1, false));
    // A longer send leaves the collection as it is.
    InspectSend(out.state, "xyz", out.log);
    EXPECT_EQ(out.state.pendingRequest.size(), kRequest.size() - 1);
    // The closing "\n" with one more byte completes the head: parsed and emptied.
    const InspectedSend last = InspectSend(out.state, "\nz", out.log);
    EXPECT_TRUE(last.bJudge);
    EXPECT_EQ(last.requestUri, "/a");
    EXPECT_EQ(out.state.isHttp, 1);
    EXPECT_STREQ(out.state.host, "news.example");
    EXPECT_TRUE(out.state.pendingRequest.empty());
}

TEST(RequestInspector, TheRequestLineIsReadOnlyUntilHttpIsSeen) {
    Outcome out = Inspect("GET /first HTTP/1.1\r\n\r\n", {1000});
    const InspectedSend second = InspectSend(out.state, "GET /second HTTP/1.1\r\n\r\n", out.log);
    EXPECT_FALSE(second.requestUri.has_value());
    EXPECT_THAT(out.log.lines, ::testing::Contains("WSPSend    :: Previously Evaluated as HTTP"));
    // A version in lower case is not HTTP: the next send is read again.
    Outcome lower = Inspect("GET /a http/1.1\r\n\r\n", {1000});
    EXPECT_EQ(lower.state.isHttp, 0);
    EXPECT_EQ(InspectSend(lower.state, kRequest, lower.log).requestUri, "/a");
    EXPECT_EQ(lower.state.isHttp, 1);
}

TEST(RequestInspector, TheCopyEndsAtTheFirstNulByte) {
    SocketFilterState state;
    CRecordingLog log;
    const InspectedSend send = InspectSend(state, std::string("GET /a\0 HTTP/1.1\r\n", 18), log);
    EXPECT_EQ(send.copy, "GET /a");
    EXPECT_FALSE(send.requestUri.has_value());
    EXPECT_THAT(log.lines, ::testing::Contains("WSPSend    :: RequestURI not found"));
}

TEST(RequestInspector, AnEndlessCollectionIsDropped) {
    SocketFilterState state;
    CRecordingLog log;
    for (size_t n = 0; n < SocketFilterState::kMaxPendingRequest / 2 + 1; ++n) {
        InspectSend(state, "ab", log);
    }
    EXPECT_LE(state.pendingRequest.size(), SocketFilterState::kMaxPendingRequest);
    EXPECT_THAT(log.lines,
                ::testing::Contains("WSPSend    :: Collected request head too long, dropped"));
}
