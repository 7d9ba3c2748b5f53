// The target a SOCKS client asks its proxy for, read from the bytes the client sends: SOCKS5
// (greeting, an optional user name and password, then the request with a domain name, an
// IPv4 or an IPv6 address), SOCKS4 and SOCKS4a. Nothing is answered: the bytes are only looked
// at, and the proxy's replies are never seen.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

enum class SocksStatus : std::uint8_t {
    kNeedMore,  // the request is not complete yet
    kNotSocks,  // bytes no SOCKS proxy would take
    kTarget,    // a complete request naming its target
};

class CSocksRequest {
public:
    // The longest greeting, user name and password, and request together.
    static constexpr std::size_t kMaxRequest = 1100;

    // Whether a connection's first byte may start a SOCKS4 or SOCKS5 request.
    static bool Starts(unsigned char firstByte) { return firstByte == 4 || firstByte == 5; }

    // Feeds the next bytes the client sends; *pnUsed receives how many of them belong to the
    // request (with kTarget, the tunnel's bytes start after them). Once the result is not
    // kNeedMore it stays what it was.
    SocksStatus Feed(std::string_view bytes, std::size_t* pnUsed);

    SocksStatus Status() const { return m_status; }
    int Version() const { return m_nVersion; }
    // The target's host: a domain name as sent (not yet normalized), or an address as a URL
    // writes it; and its port.
    const std::string& Host() const { return m_host; }
    std::uint16_t Port() const { return m_nPort; }

private:
    // The end of a complete request in m_data, 0 while more is needed, or kBad.
    std::size_t Parse();
    std::size_t ParseSocks5();
    std::size_t ParseSocks4();

    std::string m_data;
    std::string m_host;
    std::uint16_t m_nPort = 0;
    int m_nVersion = 0;
    SocksStatus m_status = SocksStatus::kNeedMore;
};
