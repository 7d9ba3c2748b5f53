// The reversible encoding of every stored value: a PC1-style stream cipher keyed by the time
// of encoding, written as decimal digits (10 key digits, then 3 digits per clear byte).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

class CCrypto {
public:
    static constexpr std::size_t kBufferSize = 1024;
    static constexpr std::size_t kKeyLength = 10;
    static constexpr std::size_t kMaxEncodedLength = kBufferSize - 1;
    static constexpr std::size_t kMaxClearLength = (kMaxEncodedLength - kKeyLength) / 3;

    static constexpr std::size_t EncodedLength(std::size_t nClear) {
        return kKeyLength + 3 * nClear;
    }

    CCrypto() = default;
    CCrypto(const CCrypto&) = delete;
    CCrypto& operator=(const CCrypto&) = delete;
    ~CCrypto();

    // Encodes with the current time as key. Refuses (false, empty output) a text longer than
    // kMaxClearLength bytes.
    bool Encode(std::string_view clear);
    // Encodes with the key formed from `keySeconds`.
    bool Encode(std::string_view clear, std::int64_t keySeconds);
    // Decodes; refuses (false, empty output) a text longer than kMaxEncodedLength.
    // Input that Encode did not produce decodes to arbitrary bytes.
    bool Decode(std::string_view encoded);

    // The result of the last call, NUL-terminated (a decoded text may hold NUL bytes itself).
    std::string_view Output() const { return {m_output, m_nOutput}; }
    const char* OutputText() const { return m_output; }

private:
    void SetOutput(std::size_t nLength);

    char m_output[kBufferSize] = {};
    std::size_t m_nOutput = 0;
};
