#include "filter/core/portable/ClientHello.h"

#include <algorithm>

namespace {

constexpr unsigned char kHandshakeRecord = 22;
constexpr unsigned char kClientHelloMessage = 1;
constexpr std::size_t kRecordHeader = 5;
constexpr std::size_t kMaxRecord = std::size_t{1} << 14;
constexpr std::size_t kHandshakeHeader = 4;
constexpr std::size_t kRandom = 32;
constexpr std::size_t kMaxSessionId = 32;
constexpr std::uint32_t kServerNameExtension = 0;
constexpr std::uint32_t kHostNameType = 0;
constexpr std::uint32_t kEncryptedHelloExtension = 0xfe0d;

// Reads the big-endian integers and length-prefixed vectors of TLS's presentation language.
// Reading past the end fails, and the failure sticks, so a parse checks once at the end of
// each step instead of after every read.
class CTlsReader {
public:
    explicit CTlsReader(std::string_view bytes) : m_rest(bytes) {}

    bool Ok() const { return m_bOk; }
    bool AtEnd() const { return m_rest.empty(); }

    std::uint32_t Integer(std::size_t nBytes) {
        const std::string_view bytes = Take(nBytes);
        std::uint32_t nValue = 0;
        for (const char c : bytes) {
            nValue = (nValue << 8) | static_cast<unsigned char>(c);
        }
        return nValue;
    }

    // A vector whose length comes first in nLengthBytes bytes.
    std::string_view Vector(std::size_t nLengthBytes) { return Take(Integer(nLengthBytes)); }

    std::string_view Take(std::size_t n) {
        if (!m_bOk || n > m_rest.size()) {
            m_bOk = false;
            return {};
        }
        const std::string_view taken = m_rest.substr(0, n);
        m_rest.remove_prefix(n);
        return taken;
    }

private:
    std::string_view m_rest;
    bool m_bOk = true;
};

struct Verdict {
    ClientHelloStatus status = ClientHelloStatus::kNotClientHello;
    std::string_view name;
    bool bEncryptedHello = false;
};

constexpr Verdict kMalformed{ClientHelloStatus::kMalformed, {}};
constexpr Verdict kNoName{ClientHelloStatus::kNoServerName, {}};
constexpr Verdict kNotHello{ClientHelloStatus::kNotClientHello, {}};

// What a DNS name or an IP literal (with brackets for IPv6) may hold. A name with anything
// else, a NUL or a slash say, would be judged as something other than what a server or a
// resolver makes of it.
bool IsHostName(std::string_view name) {
    if (name.empty() || name.size() > CClientHello::kMaxServerName) {
        return false;
    }
    return std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               c == '-' || c == '.' || c == '_' || c == ':' || c == '[' || c == ']';
    });
}

// The server_name extension's data: a non-empty list of (type, 16-bit length, name) entries.
// Entries of other types are skipped; more than one host_name is forbidden, and rather than
// pick one we judge none.
Verdict ReadServerName(std::string_view data) {
    CTlsReader extension(data);
    const std::string_view list = extension.Vector(2);
    if (!extension.Ok() || !extension.AtEnd() || list.empty()) {
        return kMalformed;
    }
    CTlsReader entries(list);
    std::string_view hostName;
    bool bHostName = false;
    bool bTwice = false;  // more than one host_name is forbidden, and rather than pick one we
                          // judge none
    while (!entries.AtEnd()) {
        const std::uint32_t nType = entries.Integer(1);
        const std::string_view name = entries.Vector(2);
        if (!entries.Ok()) {
            return kMalformed;
        }
        if (nType == kHostNameType) {
            bTwice = bHostName;
            hostName = name;
            bHostName = true;
        }
    }
    if (!bHostName || bTwice || !IsHostName(hostName)) {
        return kNoName;
    }
    return {ClientHelloStatus::kServerName, hostName};
}

// Every extension's framing is checked, not only up to server_name: a hello that does not
// add up is not one a server would take either.
Verdict ReadExtensions(std::string_view block) {
    CTlsReader extensions(block);
    Verdict verdict = kNoName;
    bool bServerName = false;
    bool bEncryptedHello = false;
    while (!extensions.AtEnd()) {
        const std::uint32_t nType = extensions.Integer(2);
        const std::string_view data = extensions.Vector(2);
        if (!extensions.Ok() || (nType == kServerNameExtension && bServerName)) {
            return kMalformed;
        }
        bEncryptedHello = bEncryptedHello || nType == kEncryptedHelloExtension;
        if (nType == kServerNameExtension) {
            bServerName = true;
            verdict = ReadServerName(data);
            if (verdict.status == ClientHelloStatus::kMalformed) {
                return verdict;
            }
        }
    }
    verdict.bEncryptedHello = bEncryptedHello;
    return verdict;
}

// The ClientHello body: legacy_version, random, legacy_session_id, cipher_suites,
// legacy_compression_methods, then extensions, which a TLS 1.2 client may leave out.
Verdict ReadClientHello(std::string_view body) {
    CTlsReader hello(body);
    const std::uint32_t nMajorVersion = hello.Integer(1);
    hello.Take(1 + kRandom);
    const std::string_view sessionId = hello.Vector(1);
    const std::string_view cipherSuites = hello.Vector(2);
    const std::string_view compression = hello.Vector(1);
    if (!hello.Ok() || nMajorVersion != 3 || sessionId.size() > kMaxSessionId ||
        cipherSuites.empty() || cipherSuites.size() % 2 != 0 || compression.empty()) {
        return kMalformed;
    }
    if (hello.AtEnd()) {
        return kNoName;
    }
    const std::string_view extensions = hello.Vector(2);
    if (!hello.Ok() || !hello.AtEnd()) {
        return kMalformed;
    }
    return ReadExtensions(extensions);
}

// The size of the handshake message at the start of `bytes`, its header included: 0 while
// the header is incomplete, kBadMessage when it is not a ClientHello, and kTooLarge when it
// is one too large to collect.
constexpr std::size_t kBadMessage = ~std::size_t{0};
constexpr std::size_t kTooLarge = kBadMessage - 1;

std::size_t MessageSize(std::string_view bytes) {
    if (bytes.empty()) {
        return 0;
    }
    if (static_cast<unsigned char>(bytes[0]) != kClientHelloMessage) {
        return kBadMessage;
    }
    if (bytes.size() < kHandshakeHeader) {
        return 0;
    }
    const std::size_t nSize =
        kHandshakeHeader + CTlsReader(bytes.substr(1, kHandshakeHeader - 1)).Integer(3);
    return nSize > CClientHello::kMaxHello ? kTooLarge : nSize;
}

}  // namespace

bool CClientHello::StartsHandshake(unsigned char firstByte) {
    return firstByte == kHandshakeRecord;
}

ClientHelloStatus CClientHello::Feed(std::string_view bytes) {
    while (m_status == ClientHelloStatus::kNeedMore && !bytes.empty()) {
        const std::size_t nUsed =
            m_nHeaderBytes < kRecordHeader ? FeedRecordHeader(bytes) : FeedPayload(bytes);
        bytes.remove_prefix(nUsed);
    }
    return m_status;
}

std::string_view CClientHello::ServerName() const {
    return m_status == ClientHelloStatus::kServerName ? std::string_view(m_data)
                                                      : std::string_view();
}

// Each header byte is checked as it comes, so that a stream that is not TLS is given up on
// its first byte. Every record up to the end of the hello must be a handshake record:
// nothing else may come between a handshake message's fragments. The record version is
// 3.0 to 3.4 however old or new the client; an empty handshake record is forbidden, and
// refusing it keeps the bytes read per byte of hello bounded.
std::size_t CClientHello::FeedRecordHeader(std::string_view bytes) {
    const auto byte = static_cast<unsigned char>(bytes[0]);
    bool bOk = true;
    switch (m_nHeaderBytes) {
        case 0:
            bOk = StartsHandshake(byte);
            break;
        case 1:
            bOk = byte == 3;
            break;
        case 2:
            bOk = byte <= 4;
            break;
        default:
            m_nRecordLeft = static_cast<std::uint16_t>((m_nRecordLeft << 8) | byte);
            break;
    }
    ++m_nHeaderBytes;
    if (m_nHeaderBytes == kRecordHeader) {
        bOk = m_nRecordLeft != 0 && m_nRecordLeft <= kMaxRecord;
    }
    if (!bOk) {
        Judge({}, kBadMessage);
    }
    return 1;
}

std::size_t CClientHello::FeedPayload(std::string_view bytes) {
    const std::string_view payload = bytes.substr(0, m_nRecordLeft);
    m_nRecordLeft = static_cast<std::uint16_t>(m_nRecordLeft - payload.size());
    if (m_nRecordLeft == 0) {
        m_nHeaderBytes = 0;
    }
    // Most hellos come whole in one record and one send: read them where they lie.
    if (m_data.empty()) {
        const std::size_t nSize = MessageSize(payload);
        if (nSize >= kTooLarge || (nSize != 0 && nSize <= payload.size())) {
            Judge(nSize >= kTooLarge ? std::string_view() : payload.substr(0, nSize), nSize);
            return payload.size();
        }
    }
    // Bytes past the hello in its last record are kept too, up to the limit; they are not read.
    m_data.append(payload.substr(0, kMaxHello - m_data.size()));
    const std::size_t nSize = MessageSize(m_data);
    if (nSize >= kTooLarge || (nSize != 0 && nSize <= m_data.size())) {
        Judge(nSize >= kTooLarge ? std::string_view() : std::string_view(m_data).substr(0, nSize),
              nSize);
    }
    return payload.size();
}

// `message` is the whole hello, header included, or empty when the bytes are not one (nSize
// says why: kBadMessage or kTooLarge). It may
// lie in m_data, so the name is copied out before m_data is replaced; the collected bytes'
// storage goes with the old string.
void CClientHello::Judge(std::string_view message, std::size_t nSize) {
    Verdict verdict = nSize == kTooLarge ? kMalformed : kNotHello;
    if (!message.empty()) {
        verdict = ReadClientHello(message.substr(kHandshakeHeader));
    }
    std::string name(verdict.name);
    m_data.swap(name);
    m_status = verdict.status;
    m_bEncryptedHello = verdict.bEncryptedHello;
}
