// The server's side of the lookup protocol: one request and one reply per connection, each a
// type byte, a 4-byte little-endian total length (value + 5) and the value.
//   type 4  request: the URL;  reply: the category, empty when unknown.
//   type 6  request: the URL;  reply: "h" or "u", a tab, the category. "h" (host scope) says
//           every URL of the queried host gets the same answer, so a client may keep it by host.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "tools/category-server/portable/CategoryIndex.h"

inline constexpr std::uint8_t kLookupType = 4;
inline constexpr std::uint8_t kScopedLookupType = 6;
inline constexpr std::size_t kLookupHeaderBytes = 5;
// The filter's client encodes its request into 2000 bytes: no client sends more.
inline constexpr std::size_t kMaxRequestBytes = 2000;
// Room for any reply: category names are short (the filter keeps 30 characters); a longer one
// is cut to fit.
inline constexpr std::size_t kMaxReplyBytes = 512;

// Reads one request from the bytes of a connection as they arrive, in place: the caller
// receives into Space() and reports the count to Received(). A type other than 4 or 6, or a
// length below 5 or beyond kMaxRequestBytes, is malformed as soon as its bytes are in. Bytes
// after a complete request are ignored.
class CLookupRequestReader {
public:
    enum class State { kReading, kComplete, kMalformed };

    // Where the next bytes go: never empty while reading.
    std::span<char> Space() noexcept { return std::span<char>(m_buffer).subspan(m_nHave); }
    State Received(std::size_t nBytes) noexcept;
    // Copies bytes in (through Space()), as many as fit; for callers that own their buffer.
    State Feed(std::string_view bytes) noexcept;

    State GetState() const noexcept { return m_state; }
    // Valid once complete.
    std::uint8_t Type() const noexcept { return static_cast<std::uint8_t>(m_buffer[0]); }
    std::string_view Url() const noexcept;

    void Reset() noexcept;

private:
    State Check() noexcept;

    std::array<char, kMaxRequestBytes> m_buffer{};
    std::size_t m_nHave = 0;
    State m_state = State::kReading;
};

// The reply to a complete request of type iType; returns its length (at most
// kMaxReplyBytes, which out must hold).
std::size_t BuildLookupReply(std::uint8_t uType, const CCategoryAnswer& answer,
                             std::span<char, kMaxReplyBytes> out) noexcept;
