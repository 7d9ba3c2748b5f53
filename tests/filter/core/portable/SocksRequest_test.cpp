// SOCKS requests read from a client's bytes, whole, cut at every place and a byte at a time:
// the target, and where the tunnel's own bytes start.
#include "filter/core/portable/SocksRequest.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace std::string_literals;

struct Outcome {
    SocksStatus status = SocksStatus::kNeedMore;
    int iVersion = 0;
    std::string host;
    unsigned uPort = 0;
    std::size_t nRequest = 0;  // bytes of the request, the rest being the tunnel's
    bool operator==(const Outcome&) const = default;
};

void PrintTo(const Outcome& o, std::ostream* pOut) {
    *pOut << static_cast<int>(o.status) << " v" << o.iVersion << " " << o.host << ":" << o.uPort
          << " after " << o.nRequest;
}

Outcome Feed(const std::string& bytes, std::size_t nCut) {
    CSocksRequest request;
    Outcome outcome;
    for (std::size_t nAt = 0; nAt < bytes.size() && outcome.status == SocksStatus::kNeedMore;) {
        const std::size_t nPiece = nCut == 0 ? bytes.size() : nCut;
        std::size_t nUsed = 0;
        outcome.status = request.Feed(std::string_view(bytes).substr(nAt, nPiece), &nUsed);
        outcome.nRequest += nUsed;
        nAt += nPiece;
    }
    if (outcome.status == SocksStatus::kTarget) {
        outcome.iVersion = request.Version();
        outcome.host = request.Host();
        outcome.uPort = request.Port();
    }
    if (outcome.status == SocksStatus::kNotSocks) {
        outcome.nRequest = 0;
    }
    return outcome;
}

const std::string kGreeting = "\x05\x01\x00"s;
const std::string kTunnel = "\x16\x03\x01 hello"s;
const Outcome kNotSocks{SocksStatus::kNotSocks, 0, "", 0, 0};

}  // namespace

TEST(SocksRequest, TargetsHoweverTheSendsCutThem) {
    struct Case {
        std::string bytes;
        Outcome expected;
    };
    const std::string domain = kGreeting +
                               "\x05\x01\x00\x03\x0e"
                               "casino.example\x01\xbb"s;
    const std::string ipv4 = kGreeting + "\x05\x01\x00\x01\xcb\x00\x71\x07\x00\x50"s;
    const std::string ipv6 =
        kGreeting + "\x05\x01\x00\x04\x20\x01\x0d\xb8"s + std::string(11, '\0') + "\x01\x01\xbb"s;
    const std::string password =
        "\x05\x02\x00\x02\x01\x03sam\x05"
        "apple\x05\x01\x00\x03\x01x\x00\x50"s;
    const std::string socks4 = "\x04\x01\x00\x50\xcb\x00\x71\x07sam\x00"s;
    const std::string socks4a =
        "\x04\x01\x01\xbb\x00\x00\x00\x01\x00"
        "casino.example\x00"s;
    const Case cases[] = {
        {domain, {SocksStatus::kTarget, 5, "casino.example", 443, domain.size()}},
        {domain + kTunnel, {SocksStatus::kTarget, 5, "casino.example", 443, domain.size()}},
        {ipv4, {SocksStatus::kTarget, 5, "203.0.113.7", 80, ipv4.size()}},
        {ipv6, {SocksStatus::kTarget, 5, "[2001:db8:0:0:0:0:0:1]", 443, ipv6.size()}},
        {password, {SocksStatus::kTarget, 5, "x", 80, password.size()}},
        {socks4 + kTunnel, {SocksStatus::kTarget, 4, "203.0.113.7", 80, socks4.size()}},
        {socks4a, {SocksStatus::kTarget, 4, "casino.example", 443, socks4a.size()}},
        {"\x05\x00\x00"s, kNotSocks},
        {kGreeting + "\x05\x09\x00\x01"s, kNotSocks},
        {kGreeting + "\x05\x01\x00\x07"s, kNotSocks},
        {"\x04\x05\x00\x50\x01\x02\x03\x04\x00"s, kNotSocks},
        {"\x04\x01\x00\x50\x00\x00\x00\x01\x00\x00"s, kNotSocks},
        {"\x04\x01\x00\x50\x01\x02\x03\x04"s + std::string(300, 'u'), kNotSocks},
        {"GET / HTTP/1.1\r\n"s, kNotSocks},
    };
    for (const Case& c : cases) {
        for (const std::size_t nCut :
             {std::size_t{0}, std::size_t{1}, std::size_t{2}, std::size_t{5}}) {
            EXPECT_EQ(Feed(c.bytes, nCut), c.expected) << "cut " << nCut;
        }
    }
    EXPECT_EQ(Feed(domain.substr(0, domain.size() - 1), 0).status, SocksStatus::kNeedMore);
}

TEST(SocksRequest, AnEmptySendChangesNothing) {
    CSocksRequest request;
    std::size_t nUsed = 1;
    EXPECT_EQ(request.Feed("", &nUsed), SocksStatus::kNeedMore);
    EXPECT_EQ(nUsed, 0u);
    EXPECT_EQ(request.Feed("\x04\x01", &nUsed), SocksStatus::kNeedMore);
    EXPECT_EQ(request.Feed("", &nUsed), SocksStatus::kNeedMore);
}
