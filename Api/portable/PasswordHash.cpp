#include "Api/portable/PasswordHash.h"

#include <algorithm>

#include "base/portable/Ascii.h"

namespace {

constexpr char kSeparator = '$';
constexpr char kHexDigits[] = "0123456789abcdef";

std::string Hex(const std::uint8_t* pBytes, std::size_t n) {
    std::string strHex;
    strHex.reserve(2 * n);
    for (std::size_t i = 0; i < n; ++i) {
        strHex += kHexDigits[pBytes[i] >> 4];
        strHex += kHexDigits[pBytes[i] & 0x0F];
    }
    return strHex;
}

std::optional<std::vector<std::uint8_t>> Unhex(std::string_view text) {
    if (text.size() % 2 != 0) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i < text.size(); i += 2) {
        const int hi = HexDigitValue(text[i]);
        const int lo = HexDigitValue(text[i + 1]);
        if (hi < 0 || lo < 0) {
            return std::nullopt;
        }
        bytes.push_back(static_cast<std::uint8_t>(hi << 4 | lo));
    }
    return bytes;
}

std::optional<std::uint32_t> Iterations(std::string_view text) {
    if (text.empty() || text.size() > 8 || text[0] == '0') {
        return std::nullopt;
    }
    std::uint32_t u = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        u = u * 10 + static_cast<std::uint32_t>(c - '0');
    }
    return u <= kMaxPasswordIterations ? std::optional(u) : std::nullopt;
}

// The next field up to a separator (or the end, for the last one).
std::string_view NextField(std::string_view& rest, bool bLast) {
    const std::size_t end = rest.find(kSeparator);
    if (bLast != (end == std::string_view::npos)) {
        rest = {};
        return {};
    }
    const std::string_view field = rest.substr(0, end);
    rest = bLast ? std::string_view() : rest.substr(end + 1);
    return field;
}

}  // namespace

std::string FormatPasswordHash(const PasswordHash& hash) {
    return std::string(kPasswordHashScheme) + kSeparator + std::to_string(hash.uIterations) +
           kSeparator + Hex(hash.salt.data(), hash.salt.size()) + kSeparator +
           Hex(hash.key.data(), hash.key.size());
}

std::optional<PasswordHash> ParsePasswordHash(std::string_view stored) {
    std::string_view rest = stored;
    if (NextField(rest, false) != kPasswordHashScheme) {
        return std::nullopt;
    }
    const auto iterations = Iterations(NextField(rest, false));
    const auto salt = Unhex(NextField(rest, false));
    const auto key = Unhex(NextField(rest, true));
    if (!iterations || !salt || salt->size() < kMinSaltSize || salt->size() > kMaxSaltSize ||
        !key || key->size() != kDerivedKeySize) {
        return std::nullopt;
    }
    PasswordHash hash;
    hash.uIterations = *iterations;
    hash.salt = *salt;
    std::copy(key->begin(), key->end(), hash.key.begin());
    return hash;
}

bool SameInConstantTime(std::string_view a, std::string_view b) noexcept {
    const std::size_t n = std::max(a.size(), b.size());
    unsigned uDiffer = a.size() != b.size() ? 1U : 0U;
    for (std::size_t i = 0; i < n; ++i) {
        const auto ca = static_cast<unsigned char>(i < a.size() ? a[i] : 0);
        const auto cb = static_cast<unsigned char>(i < b.size() ? b[i] : 0);
        uDiffer |= static_cast<unsigned>(ca ^ cb);
    }
    return uDiffer == 0;
}
