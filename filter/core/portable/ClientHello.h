// The server name a TLS client asks for, read from the ClientHello it sends in clear as the
// first bytes of a connection, however the sends and the TLS records split it. Nothing is
// decrypted or answered: the bytes are only looked at.
//
// With Encrypted Client Hello the real name travels inside an extension we cannot read; the
// outer hello's plain server_name (the client-facing server) is the name judged, and it is
// read like any other.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

enum class ClientHelloStatus : std::uint8_t {
    kNeedMore,        // the hello is not complete yet
    kNotClientHello,  // not a TLS ClientHello (a server's first bytes, say)
    kServerName,      // a ClientHello naming a host
    // A ClientHello with no host_name, or with one no host can have: empty, over 255 bytes,
    // with a character a DNS name or IP literal cannot hold, or named twice. The hello itself
    // is sound, so the connection is not given up on as not TLS.
    kNoServerName,
    // A ClientHello whose lengths do not add up, or one over kMaxHello: what a server makes of
    // it cannot be known.
    kMalformed,
};

// A value type, copied in and out of the connection table on every send: one string and a
// few integers. Once the verdict is in, the collected bytes are released.
class CClientHello {
public:
    // A hello message (its 4-byte handshake header included) longer than this is not judged.
    static constexpr std::size_t kMaxHello = std::size_t{16} * 1024;
    static constexpr std::size_t kMaxServerName = 255;

    // Whether a connection's first byte starts a TLS handshake record.
    static bool StartsHandshake(unsigned char firstByte);

    // Feeds the next bytes the client sends. Once the result is not kNeedMore it stays what
    // it was, and later bytes are not looked at.
    ClientHelloStatus Feed(std::string_view bytes);

    ClientHelloStatus Status() const { return m_status; }

    // The host_name entry of the server_name extension, as sent (ASCII, case not folded);
    // empty unless Status() is kServerName.
    std::string_view ServerName() const;

    // Whether the hello carries Encrypted Client Hello (extension 0xfe0d): its server name is
    // then only the client-facing server's, and the site asked for is hidden.
    bool HasEncryptedHello() const { return m_bEncryptedHello; }

private:
    std::size_t FeedRecordHeader(std::string_view bytes);
    std::size_t FeedPayload(std::string_view bytes);
    void Judge(std::string_view message, std::size_t nSize);

    // The handshake bytes collected so far; with kServerName, the name alone.
    std::string m_data;
    // The current record's payload bytes still to come; while its header is read, the
    // length field as far as it has come.
    std::uint16_t m_nRecordLeft = 0;
    std::uint8_t m_nHeaderBytes = 0;  // of the current record's 5-byte header
    bool m_bEncryptedHello = false;
    ClientHelloStatus m_status = ClientHelloStatus::kNeedMore;
};
