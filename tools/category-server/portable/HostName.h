// Host names as the lists and the index keep them: ASCII lower case, no trailing dot, only the
// characters a host name may have (letters, digits, '-' and '_', which real lists use), at most
// 253 bytes in labels of 1 to 63. IP addresses are kept literally: IPv4 as written, IPv6 in
// brackets and lower case ("[2001:db8::1]"), never rewritten to a canonical form.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

inline constexpr std::size_t kMaxHostLength = 253;
inline constexpr std::size_t kMaxLabelLength = 63;

// Writes text's host name, normalised, to out. False (out unspecified) when text, trimmed,
// is not a host name or an IP address. One trailing dot is accepted.
bool NormaliseHost(std::string_view text, std::string& out);

// Four dot-separated decimal numbers of at most three digits: matched only as a whole, never
// by its "parents".
bool IsIPv4Literal(std::string_view host) noexcept;

// An IPv4 literal or a bracketed IPv6 one.
bool IsIPLiteral(std::string_view host) noexcept;
