#include "Api/PasswordHasher.h"

#include <windows.h>

#include <bcrypt.h>

#include <array>
#include <vector>

#include "Api/portable/PasswordHash.h"
#include "win/CngAlgorithm.h"

namespace {

using DerivedKey = std::array<std::uint8_t, kDerivedKeySize>;

// Wipes what it holds, so that no derived key outlives its comparison in memory.
class CWipedKey {
public:
    CWipedKey() = default;
    CWipedKey(const CWipedKey&) = delete;
    CWipedKey& operator=(const CWipedKey&) = delete;
    ~CWipedKey() { ::SecureZeroMemory(m_key.data(), m_key.size()); }

    DerivedKey& Get() { return m_key; }

private:
    DerivedKey m_key{};
};

bool Derive(std::string_view password, const std::vector<std::uint8_t>& salt,
            std::uint32_t uIterations, DerivedKey& key) {
    CCngAlgorithm hmac;
    if (!BCRYPT_SUCCESS(::BCryptOpenAlgorithmProvider(hmac.Put(), BCRYPT_SHA256_ALGORITHM, nullptr,
                                                      BCRYPT_ALG_HANDLE_HMAC_FLAG))) {
        return false;
    }
    // CNG takes non-const pointers for inputs it only reads.
    auto* pPassword = reinterpret_cast<PUCHAR>(const_cast<char*>(password.data()));
    auto* pSalt = const_cast<PUCHAR>(salt.data());
    return BCRYPT_SUCCESS(::BCryptDeriveKeyPBKDF2(hmac.Get(), pPassword,
                                                  static_cast<ULONG>(password.size()), pSalt,
                                                  static_cast<ULONG>(salt.size()), uIterations,
                                                  key.data(), static_cast<ULONG>(key.size()), 0));
}

}  // namespace

std::optional<std::string> MakeStoredPassword(std::string_view password) {
    if (password.empty()) {
        return std::string();
    }
    PasswordHash hash;
    hash.uIterations = kPasswordIterations;
    hash.salt.resize(kPasswordSaltSize);
    if (!BCRYPT_SUCCESS(::BCryptGenRandom(nullptr, hash.salt.data(),
                                          static_cast<ULONG>(hash.salt.size()),
                                          BCRYPT_USE_SYSTEM_PREFERRED_RNG))) {
        return std::nullopt;
    }
    CWipedKey key;
    if (!Derive(password, hash.salt, hash.uIterations, key.Get())) {
        return std::nullopt;
    }
    hash.key = key.Get();
    return FormatPasswordHash(hash);
}

PasswordMatch MatchStoredPassword(std::string_view stored, std::string_view given) {
    if (stored.empty()) {
        return PasswordMatch::kNo;
    }
    const std::optional<PasswordHash> hash = ParsePasswordHash(stored);
    if (!hash) {
        return SameInConstantTime(stored, given) ? PasswordMatch::kYesInClear : PasswordMatch::kNo;
    }
    CWipedKey key;
    if (!Derive(given, hash->salt, hash->uIterations, key.Get())) {
        return PasswordMatch::kNo;
    }
    const std::string_view derived(reinterpret_cast<const char*>(key.Get().data()),
                                   key.Get().size());
    const std::string_view expected(reinterpret_cast<const char*>(hash->key.data()),
                                    hash->key.size());
    return SameInConstantTime(derived, expected) ? PasswordMatch::kYes : PasswordMatch::kNo;
}
