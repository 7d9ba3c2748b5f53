#include "Api/portable/Crypto.h"

#include <cinttypes>
#include <cstdio>
#include <ctime>

namespace {

// Keystream generator state; every value is 16-bit with arithmetic modulo 65536.
class CCipher {
public:
    explicit CCipher(const char* pKey) {
        for (std::size_t k = 0; k < CCrypto::kKeyLength; ++k) {
            m_key[k] = static_cast<std::uint8_t>(pKey[k]);
        }
    }
    CCipher(const CCipher&) = delete;
    CCipher& operator=(const CCipher&) = delete;
    ~CCipher() { Wipe(); }

    // The 16-bit keystream word for the next byte.
    std::uint16_t Mix() {
        m_x[0] = Word(0);
        std::uint16_t mixed = Round();
        for (int j = 1; j <= 4; ++j) {
            m_x[j] = static_cast<std::uint16_t>(m_x[j - 1] ^ Word(2 * j));
            mixed ^= Round();
        }
        m_i = 0;
        return mixed;
    }

    // Both directions fold the clear byte into the key after mixing.
    void FoldIntoKey(std::uint8_t c) {
        for (auto& k : m_key) {
            k ^= c;
        }
    }

private:
    std::uint16_t Word(int k) const {
        return static_cast<std::uint16_t>(m_key[k] << 8 | m_key[k + 1]);
    }

    std::uint16_t Round() {
        const std::uint16_t w = m_x[m_i];
        const std::uint16_t s = m_carry;
        const std::uint16_t t = static_cast<std::uint16_t>(m_accumulator + m_i);
        m_x[m_i] = static_cast<std::uint16_t>(w * 0x4E35u + 1u);
        m_accumulator = static_cast<std::uint16_t>(0x015Au * w + 0x4E35u * t + s);
        m_carry = static_cast<std::uint16_t>(0x015Au * w);
        const auto output = static_cast<std::uint16_t>(m_x[m_i] ^ m_accumulator);
        ++m_i;
        return output;
    }

    // Volatile stores so that the wipe is not optimised away.
    void Wipe() {
        auto* p = reinterpret_cast<volatile unsigned char*>(this);
        for (std::size_t n = 0; n < sizeof *this; ++n) {
            p[n] = 0;
        }
    }

    std::uint8_t m_key[CCrypto::kKeyLength] = {};
    std::uint16_t m_x[5] = {};
    std::uint16_t m_carry = 0;
    std::uint16_t m_accumulator = 0;
    int m_i = 0;
};

std::uint8_t KeystreamByte(std::uint16_t mixed) {
    return static_cast<std::uint8_t>((mixed >> 8) ^ (mixed & 0xFF));
}

// The value of the leading decimal digits of a group of up to three characters.
unsigned ParseGroup(std::string_view group) {
    unsigned value = 0;
    for (const char ch : group) {
        if (ch < '0' || ch > '9') {
            break;
        }
        value = value * 10 + static_cast<unsigned>(ch - '0');
    }
    return value;
}

}  // namespace

CCrypto::~CCrypto() {
    auto* p = reinterpret_cast<volatile char*>(m_output);
    for (std::size_t n = 0; n < kBufferSize; ++n) {
        p[n] = 0;
    }
}

bool CCrypto::Encode(std::string_view clear) {
    return Encode(clear, static_cast<std::int64_t>(std::time(nullptr)));
}

bool CCrypto::Encode(std::string_view clear, std::int64_t keySeconds) {
    if (clear.size() > kMaxClearLength) {
        SetOutput(0);
        return false;
    }
    // Zero-padded to 10 digits; a longer form keeps its first 10 characters.
    char key[32];
    std::snprintf(key, sizeof key, "%010" PRId64, keySeconds);
    CCipher cipher(key);
    std::size_t n = 0;
    for (; n < kKeyLength; ++n) {
        m_output[n] = key[n];
    }
    for (const char ch : clear) {
        const auto c = static_cast<std::uint8_t>(ch);
        const std::uint8_t e = c ^ KeystreamByte(cipher.Mix());
        cipher.FoldIntoKey(c);
        m_output[n++] = static_cast<char>('0' + e / 100);
        m_output[n++] = static_cast<char>('0' + e / 10 % 10);
        m_output[n++] = static_cast<char>('0' + e % 10);
    }
    SetOutput(n);
    return true;
}

bool CCrypto::Decode(std::string_view encoded) {
    if (encoded.size() > kMaxEncodedLength) {
        SetOutput(0);
        return false;
    }
    if (encoded.size() <= kKeyLength) {
        SetOutput(0);
        return true;
    }
    CCipher cipher(encoded.data());
    std::size_t n = 0;
    for (std::size_t pos = kKeyLength; pos < encoded.size(); pos += 3) {
        const unsigned e = ParseGroup(encoded.substr(pos, 3));
        const auto c = static_cast<std::uint8_t>((e ^ KeystreamByte(cipher.Mix())) & 0xFF);
        cipher.FoldIntoKey(c);
        m_output[n++] = static_cast<char>(c);
    }
    SetOutput(n);
    return true;
}

void CCrypto::SetOutput(std::size_t nLength) {
    m_nOutput = nLength;
    m_output[nLength] = '\0';
}
