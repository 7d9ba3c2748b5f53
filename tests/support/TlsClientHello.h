// A TLS 1.3 ClientHello in one record, as a client's first bytes, for tests and benchmarks of
// the judgement by server name.
#pragma once

#include <cstddef>
#include <string>

namespace tls_bytes {

inline std::string U16(std::size_t n) {
    return {static_cast<char>((n >> 8) & 0xFF), static_cast<char>(n & 0xFF)};
}

}  // namespace tls_bytes

// Names `name` in its server_name extension (none when empty); padding adds an extension of
// that many bytes, to make the hello as large as a browser's; bEncrypted an Encrypted Client
// Hello extension (its contents opaque).
inline std::string BuildClientHello(const std::string& name, std::size_t nPadding = 0,
                                    bool bEncrypted = false) {
    using tls_bytes::U16;
    std::string extensions;
    if (!name.empty()) {
        const std::string list = std::string(1, '\0') + U16(name.size()) + name;
        extensions += U16(0) + U16(list.size() + 2) + U16(list.size()) + list;
    }
    extensions += U16(43) + U16(3) + std::string("\x02\x03\x04", 3);  // TLS 1.3 only
    if (bEncrypted) {
        extensions += U16(0xfe0d) + U16(8) +
                      std::string(
                          "\x00\x00\x01\x00\x01\x07"
                          "ech",
                          8);
    }
    if (nPadding != 0) {
        extensions += U16(21) + U16(nPadding) + std::string(nPadding, '\0');
    }
    const std::string body = std::string("\x03\x03", 2) + std::string(32, 'r') +
                             std::string(1, '\0') + U16(2) + std::string("\x13\x01", 2) +
                             std::string("\x01\x00", 2) + U16(extensions.size()) + extensions;
    const std::string handshake = std::string("\x01\x00", 2) + U16(body.size()) + body;
    return std::string("\x16\x03\x01", 3) + U16(handshake.size()) + handshake;
}
