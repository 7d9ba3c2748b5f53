// The server name in ClientHellos that real clients sent, fed as a connection may deliver
// them (whole, cut anywhere, a byte at a time, re-cut into several TLS records), and in
// hellos made wrong on purpose.
//
// The captures in tests/data/tls come from tests/data/tls/capture.sh: curl, openssl s_client
// and headless Chromium connecting to a listener on 127.0.0.1 that keeps their first bytes,
// with and without a server name.
#include "filter/core/portable/ClientHello.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CapturedHellos.h"
#include "tests/support/TlsClientHello.h"

namespace {

using Status = ClientHelloStatus;

struct Outcome {
    Status status = Status::kNeedMore;
    std::string name;
    bool operator==(const Outcome&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Outcome& outcome) {
    return out << static_cast<int>(outcome.status) << " \"" << outcome.name << "\"";
}

// Each piece is fed to a copy that is then stored back, as the connection table does.
Outcome FeedPieces(std::string_view stream, const std::vector<std::size_t>& cuts) {
    CClientHello stored;
    std::size_t pos = 0;
    for (std::size_t i = 0; i <= cuts.size(); ++i) {
        const std::size_t end = i < cuts.size() ? cuts[i] : stream.size();
        CClientHello hello = stored;
        hello.Feed(stream.substr(pos, end - pos));
        stored = hello;
        pos = end;
    }
    return {stored.Status(), std::string(stored.ServerName())};
}

Outcome FeedWhole(std::string_view stream) {
    return FeedPieces(stream, {});
}

// The same outcome whole, cut in two at every place, and one byte at a time.
void ExpectSameHoweverSplit(std::string_view stream, const Outcome& expected) {
    EXPECT_EQ(FeedWhole(stream), expected);
    std::vector<std::size_t> everyByte;
    for (std::size_t cut = 0; cut <= stream.size(); ++cut) {
        EXPECT_EQ(FeedPieces(stream, {cut}), expected) << "cut at " << cut;
        if (cut > 0 && cut < stream.size()) {
            everyByte.push_back(cut);
        }
    }
    EXPECT_EQ(FeedPieces(stream, everyByte), expected) << "one byte at a time";
}

template <std::size_t N>
std::string Bytes(const unsigned char (&bytes)[N]) {
    return {reinterpret_cast<const char*>(bytes), N};
}

std::string BigEndian(std::size_t nValue, std::size_t nBytes) {
    std::string bytes;
    for (std::size_t i = nBytes; i-- > 0;) {
        bytes += static_cast<char>((nValue >> (8 * i)) & 0xff);
    }
    return bytes;
}

std::string Record(std::string_view payload, char type = 22) {
    return std::string{type, 3, 1} + BigEndian(payload.size(), 2) + std::string(payload);
}

// The handshake message inside a captured stream of one record.
std::string MessageOf(const std::string& stream) {
    return stream.substr(5);
}

// The message re-cut into records, the first ending where `cuts` say.
std::string InRecords(std::string_view message, const std::vector<std::size_t>& cuts) {
    std::string stream;
    std::size_t pos = 0;
    for (std::size_t i = 0; i <= cuts.size(); ++i) {
        const std::size_t end = i < cuts.size() ? cuts[i] : message.size();
        stream += Record(message.substr(pos, end - pos));
        pos = end;
    }
    return stream;
}

std::string Extension(std::size_t nType, std::string_view data) {
    return BigEndian(nType, 2) + BigEndian(data.size(), 2) + std::string(data);
}

std::string NameEntry(std::string_view name, char nameType = 0) {
    return nameType + BigEndian(name.size(), 2) + std::string(name);
}

std::string ServerNameExtensionOf(std::string_view entries) {
    return Extension(0, BigEndian(entries.size(), 2) + std::string(entries));
}

std::string ServerNameExtension(std::string_view name, char nameType = 0) {
    return ServerNameExtensionOf(NameEntry(name, nameType));
}

// A TLS 1.2-style hello: version, random, empty session id, one suite, null compression.
std::string HelloMessage(std::string_view extensionBlock) {
    const std::string body = std::string{3, 3} + std::string(32, 'r') + std::string{0, 0, 2} +
                             std::string{0x13, 0x01, 1, 0} + std::string(extensionBlock);
    return "\x01" + BigEndian(body.size(), 3) + body;
}

std::string HelloWith(const std::string& extensions) {
    return Record(HelloMessage(BigEndian(extensions.size(), 2) + extensions));
}

const std::string kName = "hello.example.test";

struct Capture {
    const char* pName;
    std::string bytes;
    Outcome expected;
};

const std::vector<Capture>& Captures() {
    static const std::vector<Capture> captures = {
        {"chromium", Bytes(kCaptured_chromium), {Status::kServerName, kName}},
        {"curl", Bytes(kCaptured_curl), {Status::kServerName, kName}},
        {"curl by address", Bytes(kCaptured_curl_no_sni), {Status::kNoServerName, ""}},
        {"openssl", Bytes(kCaptured_openssl), {Status::kServerName, kName}},
        {"openssl -noservername", Bytes(kCaptured_openssl_no_sni), {Status::kNoServerName, ""}},
    };
    return captures;
}

}  // namespace

TEST(ClientHello, CapturedHellosHoweverTheSendsSplitThem) {
    for (const Capture& capture : Captures()) {
        SCOPED_TRACE(capture.pName);
        ASSERT_TRUE(CClientHello::StartsHandshake(static_cast<unsigned char>(capture.bytes[0])));
        ExpectSameHoweverSplit(capture.bytes, capture.expected);
        // What follows the hello (here an application data record) is not looked at.
        EXPECT_EQ(FeedWhole(capture.bytes + Record("\xff\xff", 23)), capture.expected);
    }
}

TEST(ClientHello, CapturedHellosCutIntoSeveralRecords) {
    for (const Capture& capture : Captures()) {
        SCOPED_TRACE(capture.pName);
        const std::string message = MessageOf(capture.bytes);
        const std::size_t nSize = message.size();
        // Inside the handshake header, right after it, in the middle, the last byte alone,
        // and in many small records.
        std::vector<std::vector<std::size_t>> ways = {{1}, {3}, {4}, {nSize / 2}, {nSize - 1}};
        ways.emplace_back();
        for (std::size_t cut = 100; cut < nSize; cut += 100) {
            ways.back().push_back(cut);
        }
        for (const auto& cuts : ways) {
            SCOPED_TRACE(testing::Message() << "first record cut at " << cuts.front());
            ExpectSameHoweverSplit(InRecords(message, cuts), capture.expected);
        }
    }
}

TEST(ClientHello, StreamsThatAreNotAHelloAreGivenUpEarly) {
    const std::string message = MessageOf(HelloWith(ServerNameExtension(kName)));
    const std::string bigPadding = Extension(21, std::string(CClientHello::kMaxHello, '\0'));
    const std::string oversized =
        InRecords(HelloMessage(BigEndian(bigPadding.size(), 2) + bigPadding), {100});
    const struct {
        const char* pWhat;
        std::string stream;
        std::size_t nDecidedAfter;  // bytes fed before the verdict
        Status verdict = Status::kNotClientHello;
    } cases[] = {
        {"plain HTTP", "GET / HTTP/1.1\r\n", 1},
        {"application data first", Record(message, 23), 1},
        {"SSLv2-style hello", std::string("\x80\x2e\x01\x03\x01", 5), 1},
        {"record version 2.0", std::string{22, 2, 0}, 2},
        {"empty record", Record(""), 5},
        {"record over 16 KiB", std::string{22, 3, 3, 0x40, 1}, 5},
        {"a ServerHello", Record("\x02" + message.substr(1)), 6},
        // A hello, but one too large to read: refused, unlike bytes that are no hello.
        {"a hello over the limit", oversized, 9, Status::kMalformed},
        {"alert between fragments", Record(message.substr(0, 10)) + Record("\x02\x28", 21), 16},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pWhat);
        CClientHello hello;
        for (std::size_t i = 0; i < c.stream.size(); ++i) {
            const Status status = hello.Feed(c.stream.substr(i, 1));
            ASSERT_EQ(status, i + 1 < c.nDecidedAfter ? Status::kNeedMore : c.verdict)
                << "after " << i + 1 << " bytes";
        }
        EXPECT_TRUE(hello.ServerName().empty());
    }
}

TEST(ClientHello, LengthsThatDoNotAddUp) {
    const std::string sni = ServerNameExtension(kName);
    const std::string body = MessageOf(HelloWith(sni)).substr(4);
    const std::string extensions = BigEndian(sni.size(), 2) + sni;
    std::string sniOverrun = sni;  // its data one byte longer than the block holds
    ++sniOverrun[3];
    const std::string nameOverrun = Extension(0, std::string("\x00\x06\x00\x00\x04", 5) + "abc");
    const struct {
        const char* pWhat;
        std::string message;
    } cases[] = {
        {"extensions past the end", HelloMessage(BigEndian(sni.size() + 1, 2) + sni)},
        {"bytes after the extensions", HelloMessage(extensions + "x")},
        {"an extension past the block", HelloMessage(BigEndian(sni.size(), 2) + sniOverrun)},
        {"the name past its list", HelloMessage(BigEndian(nameOverrun.size(), 2) + nameOverrun)},
        {"empty hello", "\x01" + BigEndian(0, 3)},
        {"version 2", "\x01" + BigEndian(body.size(), 3) + "\x02" + body.substr(1)},
        {"no compression methods", "\x01" + BigEndian(40, 3) + body.substr(0, 39) + '\0'},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pWhat);
        EXPECT_EQ(FeedWhole(Record(c.message)).status, Status::kMalformed);
    }
    // Without extensions (allowed before TLS 1.3) the hello is whole but names nothing.
    EXPECT_EQ(FeedWhole(Record(HelloMessage(""))).status, Status::kNoServerName);
}

TEST(ClientHello, ServerNameExtensionContents) {
    const std::string ipv6 = "[2001:db8::1]";
    const std::string longest(CClientHello::kMaxServerName, 'a');
    const struct {
        const char* pWhat;
        std::string extensions;
        Outcome expected;
    } cases[] = {
        {"IPv6 literal", ServerNameExtension(ipv6), {Status::kServerName, ipv6}},
        {"255 bytes", ServerNameExtension(longest), {Status::kServerName, longest}},
        {"after other extensions",
         Extension(43, "\x02\x03\x04") + Extension(0xfe0d, "ech") + ServerNameExtension(kName),
         {Status::kServerName, kName}},
        {"256 bytes", ServerNameExtension(longest + "a"), {Status::kNoServerName, ""}},
        {"empty name", ServerNameExtension(""), {Status::kNoServerName, ""}},
        {"embedded NUL",
         ServerNameExtension(std::string("good.test\0bad.test", 18)),
         {Status::kNoServerName, ""}},
        {"slash", ServerNameExtension("a.test/x"), {Status::kNoServerName, ""}},
        {"only another name type", ServerNameExtension(kName, 1), {Status::kNoServerName, ""}},
        {"another name type first",
         ServerNameExtensionOf(NameEntry("x", 7) + NameEntry(kName)),
         {Status::kServerName, kName}},
        {"two host names",
         ServerNameExtensionOf(NameEntry(kName) + NameEntry("b.test")),
         {Status::kNoServerName, ""}},
        {"two server_name extensions",
         ServerNameExtension(kName) + ServerNameExtension("b.test"),
         {Status::kMalformed, ""}},
        {"empty server_name extension", Extension(0, ""), {Status::kMalformed, ""}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pWhat);
        EXPECT_EQ(FeedWhole(HelloWith(c.extensions)), c.expected);
    }
}

TEST(ClientHello, HelloOfExactlyTheLimitAcrossTwoRecords) {
    const std::string sni = ServerNameExtension(kName);
    // A hello of nSize bytes, made up with a padding extension.
    const auto helloOfSize = [&](std::size_t nSize) {
        const std::size_t nBare = HelloMessage(BigEndian(0, 2) + sni + Extension(21, "")).size();
        const std::string extensions = sni + Extension(21, std::string(nSize - nBare, '\0'));
        return HelloMessage(BigEndian(extensions.size(), 2) + extensions);
    };
    const std::string message = helloOfSize(CClientHello::kMaxHello);
    ASSERT_EQ(message.size(), CClientHello::kMaxHello);
    const Outcome expected{Status::kServerName, kName};
    EXPECT_EQ(FeedWhole(InRecords(message, {100})), expected);
    const std::string stream = InRecords(message, {message.size() - 1});
    EXPECT_EQ(FeedPieces(stream, {1000, 16000, stream.size() - 1}), expected);
    EXPECT_EQ(FeedWhole(InRecords(helloOfSize(CClientHello::kMaxHello + 1), {100})).status,
              Status::kMalformed);
}

TEST(ClientHello, VerdictStaysOnceGiven) {
    CClientHello hello;
    ASSERT_EQ(hello.Feed(HelloWith(ServerNameExtension(kName))), Status::kServerName);
    EXPECT_EQ(hello.Feed(HelloWith(ServerNameExtension("other.test"))), Status::kServerName);
    EXPECT_EQ(hello.Feed("GET / HTTP/1.1\r\n"), Status::kServerName);
    EXPECT_EQ(hello.ServerName(), kName);
}

TEST(ClientHello, EncryptedClientHelloIsNoted) {
    for (const bool bEncrypted : {false, true}) {
        CClientHello hello;
        ASSERT_EQ(hello.Feed(BuildClientHello("public.example", 0, bEncrypted)),
                  Status::kServerName);
        EXPECT_EQ(hello.ServerName(), "public.example");
        EXPECT_EQ(hello.HasEncryptedHello(), bEncrypted);
    }
}
