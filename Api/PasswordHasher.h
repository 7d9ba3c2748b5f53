// Passwords as the store keeps them: salted PBKDF2-HMAC-SHA256 made with Windows CNG, in the
// text form of Api/portable/PasswordHash. Never called under the loader lock.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Tuned so that one check takes about 100 ms under Wine on the development machine (Windows'
// own CNG is faster). Stored with each hash: changing it leaves older hashes valid.
inline constexpr std::uint32_t kPasswordIterations = 80000;
inline constexpr std::size_t kPasswordSaltSize = 16;

// The stored form of a new password: a fresh random salt and kPasswordIterations. The empty
// password is stored empty: an account that no password proves. Empty optional when CNG
// fails.
std::optional<std::string> MakeStoredPassword(std::string_view password);

enum class PasswordMatch {
    kNo,
    kYes,
    // Stored in clear before passwords were hashed: the caller replaces it with its hash.
    kYesInClear,
};

// Compares in constant time. An empty stored password matches nothing.
PasswordMatch MatchStoredPassword(std::string_view stored, std::string_view given);
