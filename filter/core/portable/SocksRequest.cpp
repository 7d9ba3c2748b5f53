#include "filter/core/portable/SocksRequest.h"

#include <algorithm>

#include "filter/core/portable/AddressText.h"

namespace {

constexpr std::size_t kBad = ~std::size_t{0};
constexpr unsigned char kAuthVersion = 1;  // user name and password sub-negotiation
constexpr std::size_t kMaxSocks4Text = 255;

// Reads the request in m_data from the start: a bounded request is read again whole at each
// send rather than resumed, which keeps the reader short.
class CByteReader {
public:
    explicit CByteReader(std::string_view bytes) : m_bytes(bytes) {}

    bool Has(std::size_t n) const { return m_nPos + n <= m_bytes.size(); }
    unsigned char Byte(std::size_t nAhead = 0) const {
        return static_cast<unsigned char>(m_bytes[m_nPos + nAhead]);
    }
    std::string_view Take(std::size_t n) {
        const std::string_view taken = m_bytes.substr(m_nPos, n);
        m_nPos += n;
        return taken;
    }
    // Up to a NUL, which is skipped; npos-free: false while no NUL has come.
    bool TakeUpToNul(std::size_t nMax, std::string_view* pText) {
        const std::size_t nNul = m_bytes.find('\0', m_nPos);
        if (nNul == std::string_view::npos || nNul - m_nPos > nMax) {
            return false;
        }
        *pText = m_bytes.substr(m_nPos, nNul - m_nPos);
        m_nPos = nNul + 1;
        return true;
    }
    std::size_t Pos() const { return m_nPos; }
    std::size_t Left() const { return m_bytes.size() - m_nPos; }

private:
    std::string_view m_bytes;
    std::size_t m_nPos = 0;
};

std::uint16_t Port(std::string_view bytes) {
    return static_cast<std::uint16_t>((static_cast<unsigned char>(bytes[0]) << 8) |
                                      static_cast<unsigned char>(bytes[1]));
}

const unsigned char* Bytes(std::string_view text) {
    return reinterpret_cast<const unsigned char*>(text.data());
}

}  // namespace

SocksStatus CSocksRequest::Feed(std::string_view bytes, std::size_t* pnUsed) {
    *pnUsed = 0;
    if (m_status != SocksStatus::kNeedMore || bytes.empty()) {
        return m_status;
    }
    const std::size_t nOld = m_data.size();
    m_data.append(bytes.substr(0, kMaxRequest - nOld));
    const std::size_t nEnd = Parse();
    if (nEnd == kBad || (nEnd == 0 && m_data.size() == kMaxRequest)) {
        m_status = SocksStatus::kNotSocks;
        *pnUsed = bytes.size();
    } else if (nEnd == 0) {
        *pnUsed = bytes.size();
        return m_status;
    } else {
        m_status = SocksStatus::kTarget;
        *pnUsed = nEnd - nOld;
    }
    std::string().swap(m_data);
    return m_status;
}

std::size_t CSocksRequest::Parse() {
    m_nVersion = m_data.empty() ? 0 : static_cast<unsigned char>(m_data[0]);
    if (m_nVersion == 5) {
        return ParseSocks5();
    }
    return m_nVersion == 4 ? ParseSocks4() : kBad;
}

// VER NMETHODS METHODS, [1 ULEN UNAME PLEN PASSWD], VER CMD RSV ATYP DST.ADDR DST.PORT.
std::size_t CSocksRequest::ParseSocks5() {
    CByteReader reader(m_data);
    if (!reader.Has(2)) {
        return 0;
    }
    reader.Take(1);
    const std::size_t nMethods = reader.Byte();
    if (nMethods == 0) {
        return kBad;
    }
    reader.Take(1);
    if (!reader.Has(nMethods + 1)) {
        return 0;
    }
    reader.Take(nMethods);
    if (reader.Byte() == kAuthVersion) {
        if (!reader.Has(2) || !reader.Has(2 + reader.Byte(1) + 1)) {
            return 0;
        }
        reader.Take(1);
        reader.Take(reader.Byte() + std::size_t{1});
        if (!reader.Has(reader.Byte() + std::size_t{2})) {
            return 0;
        }
        reader.Take(reader.Byte() + std::size_t{1});
    }
    if (!reader.Has(4)) {
        return 0;
    }
    const unsigned char command = reader.Byte(1);
    const unsigned char addressType = reader.Byte(3);
    if (reader.Byte() != 5 || command < 1 || command > 3) {
        return kBad;
    }
    reader.Take(4);
    std::size_t nAddress = 0;
    switch (addressType) {
        case 1:
            nAddress = 4;
            break;
        case 3:
            if (!reader.Has(1)) {
                return 0;
            }
            nAddress = reader.Byte();
            if (nAddress == 0) {
                return kBad;
            }
            reader.Take(1);
            break;
        case 4:
            nAddress = 16;
            break;
        default:
            return kBad;
    }
    if (!reader.Has(nAddress + 2)) {
        return 0;
    }
    const std::string_view address = reader.Take(nAddress);
    m_host = addressType == 1   ? IPv4Text(Bytes(address))
             : addressType == 4 ? IPv6Text(Bytes(address))
                                : std::string(address);
    m_nPort = ::Port(reader.Take(2));
    return reader.Pos();
}

// VER CMD DSTPORT DSTIP USERID NUL, and with SOCKS4a (DSTIP 0.0.0.x, x not 0) HOST NUL.
std::size_t CSocksRequest::ParseSocks4() {
    CByteReader reader(m_data);
    if (!reader.Has(8)) {
        return 0;
    }
    const unsigned char command = reader.Byte(1);
    if (command != 1 && command != 2) {
        return kBad;
    }
    reader.Take(2);
    m_nPort = ::Port(reader.Take(2));
    const std::string_view address = reader.Take(4);
    std::string_view userId;
    if (!reader.TakeUpToNul(kMaxSocks4Text, &userId)) {
        return reader.Left() > kMaxSocks4Text ? kBad : 0;
    }
    const bool bSocks4a = address[0] == 0 && address[1] == 0 && address[2] == 0 && address[3] != 0;
    if (!bSocks4a) {
        m_host = IPv4Text(Bytes(address));
        return reader.Pos();
    }
    std::string_view host;
    if (!reader.TakeUpToNul(kMaxSocks4Text, &host)) {
        return reader.Left() > kMaxSocks4Text ? kBad : 0;
    }
    if (host.empty()) {
        return kBad;
    }
    m_host = host;
    return reader.Pos();
}
