// The stored form of a password: "PBKDF2-SHA256$<iterations>$<salt>$<derived key>", salt and
// key in lower-case hexadecimal. The derivation itself is the platform's (Api/PasswordHasher);
// this is its text, read and written.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

inline constexpr std::string_view kPasswordHashScheme = "PBKDF2-SHA256";
inline constexpr std::size_t kDerivedKeySize = 32;
inline constexpr std::size_t kMinSaltSize = 8;
inline constexpr std::size_t kMaxSaltSize = 64;
// A stored count above this is refused rather than run: one check must stay a check.
inline constexpr std::uint32_t kMaxPasswordIterations = 10000000;

struct PasswordHash {
    std::uint32_t uIterations = 0;
    std::vector<std::uint8_t> salt;
    std::array<std::uint8_t, kDerivedKeySize> key{};
};

std::string FormatPasswordHash(const PasswordHash& hash);
// Empty for anything that is not exactly that form (a password stored before hashing, say).
std::optional<PasswordHash> ParsePasswordHash(std::string_view stored);

// Whether two texts are equal, in a time that depends on their lengths only.
bool SameInConstantTime(std::string_view a, std::string_view b) noexcept;
