// Requests as the network delivers them (cut anywhere) and the replies clients decode.
#include "tools/category-server/portable/LookupProtocol.h"

#include <string>

#include <gtest/gtest.h>

namespace {

using State = CLookupRequestReader::State;

std::string Message(std::uint8_t uType, const std::string& value, std::size_t nLength = 0) {
    const std::size_t n = nLength != 0 ? nLength : value.size() + 5;
    std::string bytes(1, static_cast<char>(uType));
    for (int i = 0; i < 4; ++i) {
        bytes += static_cast<char>((n >> (8 * i)) & 0xFF);
    }
    return bytes + value;
}

// The reader's final state and URL for the stream fed in pieces of nPiece bytes.
std::pair<State, std::string> ReadInPieces(const std::string& stream, std::size_t nPiece) {
    CLookupRequestReader reader;
    for (std::size_t i = 0; i < stream.size() && reader.GetState() == State::kReading;
         i += nPiece) {
        reader.Feed(std::string_view(stream).substr(i, nPiece));
    }
    return {reader.GetState(), std::string(reader.Url())};
}

TEST(LookupProtocolTest, RequestsCutAnywhere) {
    const std::string longUrl(1995, 'a');
    const struct {
        const char* szWhat;
        std::string stream;
        State state;
        std::string url;
    } cases[] = {
        {"type 4", Message(4, "news.example/a"), State::kComplete, "news.example/a"},
        {"type 6", Message(6, "http://A.example:80/"), State::kComplete, "http://A.example:80/"},
        {"empty URL", Message(4, ""), State::kComplete, ""},
        {"the client's largest", Message(4, longUrl), State::kComplete, longUrl},
        {"bytes after it ignored", Message(4, "a.example") + "junk", State::kComplete, "a.example"},
        {"cut short", Message(4, "news.example").substr(0, 9), State::kReading, ""},
        {"header only", Message(4, "x").substr(0, 5), State::kReading, ""},
        {"type 5", Message(5, "a.example"), State::kMalformed, ""},
        {"type 0", Message(0, "a.example"), State::kMalformed, ""},
        {"HTTP instead", "GET / HTTP/1.0\r\n\r\n", State::kMalformed, ""},
        {"length below 5", Message(4, "", 4), State::kMalformed, ""},
        {"length beyond the limit", Message(4, longUrl + "b"), State::kMalformed, ""},
        {"length of 4 GiB", Message(4, "a", 0xFFFFFFFF), State::kMalformed, ""},
        {"length high byte only", Message(4, "a", 0x01000006), State::kMalformed, ""},
    };
    for (const auto& c : cases) {
        for (const std::size_t nPiece :
             {std::size_t{1}, std::size_t{2}, std::size_t{3}, std::size_t{7}, std::size_t{4096}}) {
            const auto [state, url] = ReadInPieces(c.stream, nPiece);
            EXPECT_EQ(state, c.state) << c.szWhat << " in pieces of " << nPiece;
            EXPECT_EQ(url, c.url) << c.szWhat << " in pieces of " << nPiece;
        }
    }
}

TEST(LookupProtocolTest, ReaderReceivesInPlaceAndStartsAfresh) {
    CLookupRequestReader reader;
    const std::string request = Message(6, "games.example/x");
    std::span<char> space = reader.Space();
    ASSERT_EQ(space.size(), kMaxRequestBytes);
    request.copy(space.data(), 6);
    EXPECT_EQ(reader.Received(6), State::kReading);
    space = reader.Space();
    EXPECT_EQ(space.size(), kMaxRequestBytes - 6);
    request.copy(space.data(), request.size() - 6, 6);
    EXPECT_EQ(reader.Received(request.size() - 6), State::kComplete);
    EXPECT_EQ(reader.Type(), kScopedLookupType);
    EXPECT_EQ(reader.Url(), "games.example/x");
    // More bytes change nothing once it is complete.
    EXPECT_EQ(reader.Feed("\x05zzzz"), State::kComplete);

    reader.Reset();
    EXPECT_EQ(reader.GetState(), State::kReading);
    EXPECT_EQ(reader.Feed(Message(4, "b.example")), State::kComplete);
    EXPECT_EQ(reader.Url(), "b.example");
}

TEST(LookupProtocolTest, Replies) {
    std::array<char, kMaxReplyBytes> out{};
    const auto reply = [&out](std::uint8_t uType, std::string_view category, bool bHost) {
        return std::string(out.data(), BuildLookupReply(uType, {category, bHost}, out));
    };
    EXPECT_EQ(reply(4, "Gambling", true), Message(4, "Gambling"));
    EXPECT_EQ(reply(4, "Gambling", false), Message(4, "Gambling"));
    EXPECT_EQ(reply(4, "", true), Message(4, ""));
    EXPECT_EQ(reply(6, "News", true), Message(6, "h\tNews"));
    EXPECT_EQ(reply(6, "News", false), Message(6, "u\tNews"));
    EXPECT_EQ(reply(6, "", true), Message(6, "h\t"));
    // An unknown site's answer as an index gives it: no category at all.
    EXPECT_EQ(std::string(out.data(), BuildLookupReply(4, CCategoryAnswer{}, out)), Message(4, ""));
    // Lengths past one byte, and a name too long for any client, cut to the reply's room.
    const std::string longName(300, 'c');
    EXPECT_EQ(reply(4, longName, true), Message(4, longName));
    const std::string absurd(2000, 'x');
    EXPECT_EQ(reply(6, absurd, false), Message(6, "u\t" + absurd.substr(0, kMaxReplyBytes - 7)));
}

}  // namespace
