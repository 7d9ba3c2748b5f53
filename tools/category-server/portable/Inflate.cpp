#include "tools/category-server/portable/Inflate.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

namespace {

constexpr unsigned kMaxBits = 15;
constexpr unsigned kFastBits = 9;  // codes this short decode with one table look-up

// LSB-first bit reader over the input. Past its end it gives zero bits; taking one of those
// sets the overrun flag, which the caller reports as truncation (peeking at them does not:
// the last code of a stream may be shorter than a look-up).
class CBitReader {
public:
    explicit CBitReader(std::string_view in)
        : m_p(reinterpret_cast<const std::uint8_t*>(in.data())),
          m_end(m_p + in.size()),
          m_start(m_p) {}

    std::uint32_t Peek(unsigned n) {
        while (m_nBits < n) {
            if (m_p == m_end) {
                m_nPadding += 8;
            } else {
                m_buffer |= std::uint64_t{*m_p++} << m_nBits;
            }
            m_nBits += 8;
        }
        return static_cast<std::uint32_t>(m_buffer & ((std::uint64_t{1} << n) - 1));
    }
    void Drop(unsigned n) {
        m_buffer >>= n;
        m_nBits -= n;
        if (m_nBits < m_nPadding) {
            m_bOverrun = true;
            m_nPadding = m_nBits;
        }
    }
    std::uint32_t Bits(unsigned n) {
        if (n == 0) {
            return 0;
        }
        const std::uint32_t value = Peek(n);
        Drop(n);
        return value;
    }
    void AlignToByte() { Drop(m_nBits % 8); }
    // Whole bytes, after AlignToByte: first the ones already in the buffer.
    bool Bytes(std::size_t n, char* pOut) {
        for (; n > 0 && m_nBits - m_nPadding >= 8; --n) {
            *pOut++ = static_cast<char>(Bits(8));
        }
        if (n > static_cast<std::size_t>(m_end - m_p)) {
            m_bOverrun = true;
            return false;
        }
        if (n > 0) {
            std::memcpy(pOut, m_p, n);
            m_p += n;
        }
        return true;
    }
    bool Overrun() const { return m_bOverrun; }
    std::size_t Consumed() const {
        return static_cast<std::size_t>(m_p - m_start) - (m_nBits - m_nPadding) / 8;
    }

private:
    const std::uint8_t* m_p;
    const std::uint8_t* m_end;
    const std::uint8_t* m_start;
    std::uint64_t m_buffer = 0;
    unsigned m_nBits = 0;
    unsigned m_nPadding = 0;  // zero bits past the input's end, at the buffer's top
    bool m_bOverrun = false;
};

// A canonical Huffman code: a table for codes of up to kFastBits bits, and the counts and
// sorted symbols that decode longer ones bit by bit.
class CHuffman {
public:
    // False for an over-subscribed set of lengths; an incomplete one is kept, and reading one
    // of its missing codes is an error.
    bool Build(const std::uint8_t* pLengths, unsigned nSymbols) {
        m_counts.fill(0);
        for (unsigned s = 0; s < nSymbols; ++s) {
            ++m_counts[pLengths[s]];
        }
        m_counts[0] = 0;
        int left = 1;
        for (unsigned len = 1; len <= kMaxBits; ++len) {
            left = left * 2 - m_counts[len];
            if (left < 0) {
                return false;
            }
        }
        std::array<std::uint16_t, kMaxBits + 2> offsets{};
        for (unsigned len = 1; len <= kMaxBits; ++len) {
            offsets[len + 1] = static_cast<std::uint16_t>(offsets[len] + m_counts[len]);
        }
        for (unsigned s = 0; s < nSymbols; ++s) {
            if (pLengths[s] != 0) {
                m_symbols[offsets[pLengths[s]]++] = static_cast<std::uint16_t>(s);
            }
        }
        BuildFastTable();
        return true;
    }

    // The next symbol, or -1 for a code the set lacks.
    int Decode(CBitReader& bits) const {
        const std::uint16_t entry = m_fast[bits.Peek(kFastBits)];
        if (entry != 0) {
            bits.Drop(entry & 15U);
            return entry >> 4;
        }
        // Longer codes: canonical decoding, one bit at a time (codes are sent MSB first).
        int code = 0;
        int first = 0;
        int index = 0;
        for (unsigned len = 1; len <= kMaxBits; ++len) {
            code |= static_cast<int>(bits.Bits(1));
            const int count = m_counts[len];
            if (code - first < count) {
                return m_symbols[static_cast<std::size_t>(index + code - first)];
            }
            index += count;
            first = (first + count) << 1;
            code <<= 1;
        }
        return -1;
    }

private:
    void BuildFastTable() {
        m_fast.fill(0);
        unsigned code = 0;
        unsigned index = 0;
        for (unsigned len = 1; len <= kFastBits; ++len) {
            for (unsigned i = 0; i < m_counts[len]; ++i, ++code, ++index) {
                // The code's bits reversed, as they arrive; every continuation fills in.
                unsigned reversed = 0;
                for (unsigned b = 0; b < len; ++b) {
                    reversed |= ((code >> b) & 1U) << (len - 1 - b);
                }
                const auto entry =
                    static_cast<std::uint16_t>((unsigned{m_symbols[index]} << 4) | len);
                for (unsigned fill = reversed; fill < (1U << kFastBits); fill += 1U << len) {
                    m_fast[fill] = entry;
                }
            }
            code <<= 1;
        }
    }

    std::array<std::uint16_t, kMaxBits + 1> m_counts{};
    std::array<std::uint16_t, 288> m_symbols{};
    std::array<std::uint16_t, 1U << kFastBits> m_fast{};
};

constexpr std::array<std::uint16_t, 29> kLengthBase = {3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                                       15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                                       67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::array<std::uint8_t, 29> kLengthExtra = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                                       2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::array<std::uint16_t, 30> kDistanceBase = {
    1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
    193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr std::array<std::uint8_t, 30> kDistanceExtra = {0, 0, 0,  0,  1,  1,  2,  2,  3,  3,
                                                         4, 4, 5,  5,  6,  6,  7,  7,  8,  8,
                                                         9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

class CInflater {
public:
    CInflater(std::string_view in, std::string& out, std::size_t nMaxOut)
        : m_bits(in),
          m_out(out),
          m_nStart(out.size()),
          m_nSize(out.size()),
          m_nMaxSize(out.size() + std::min(nMaxOut, out.max_size() - out.size())) {}

    CInflateResult Run() {
        InflateStatus status = InflateStatus::kOk;
        bool bFinal = false;
        while (!bFinal && status == InflateStatus::kOk) {
            bFinal = m_bits.Bits(1) != 0;
            switch (m_bits.Bits(2)) {
                case 0:
                    status = Stored();
                    break;
                case 1:
                    status = Fixed();
                    break;
                case 2:
                    status = Dynamic();
                    break;
                default:
                    status = InflateStatus::kBadData;
                    break;
            }
            if (m_bits.Overrun()) {
                status = InflateStatus::kTruncated;
            }
        }
        m_out.resize(m_nSize);
        return {status, status == InflateStatus::kOk ? m_bits.Consumed() : 0};
    }

private:
    bool Room(std::size_t n) {
        if (n > m_nMaxSize - m_nSize) {
            return false;
        }
        if (m_nSize + n > m_out.size()) {
            m_out.resize(std::min(m_nMaxSize, std::max(m_out.size() * 2, m_nSize + n + 4096)));
        }
        return true;
    }

    InflateStatus Stored() {
        m_bits.AlignToByte();
        const std::uint32_t nLength = m_bits.Bits(16);
        const std::uint32_t nComplement = m_bits.Bits(16);
        if (m_bits.Overrun()) {
            return InflateStatus::kTruncated;
        }
        if ((nLength ^ 0xFFFFU) != nComplement) {
            return InflateStatus::kBadData;
        }
        if (!Room(nLength)) {
            return InflateStatus::kTooLarge;
        }
        if (!m_bits.Bytes(nLength, m_out.data() + m_nSize)) {
            return InflateStatus::kTruncated;
        }
        m_nSize += nLength;
        return InflateStatus::kOk;
    }

    InflateStatus Fixed() {
        std::array<std::uint8_t, 288 + 30> lengths{};
        std::fill(lengths.begin(), lengths.begin() + 144, 8);
        std::fill(lengths.begin() + 144, lengths.begin() + 256, 9);
        std::fill(lengths.begin() + 256, lengths.begin() + 280, 7);
        std::fill(lengths.begin() + 280, lengths.begin() + 288, 8);
        std::fill(lengths.begin() + 288, lengths.end(), 5);
        m_literals.Build(lengths.data(), 288);
        m_distances.Build(lengths.data() + 288, 30);
        return Codes();
    }

    InflateStatus Dynamic() {
        const unsigned nLiterals = m_bits.Bits(5) + 257;
        const unsigned nDistances = m_bits.Bits(5) + 1;
        const unsigned nCodeLengths = m_bits.Bits(4) + 4;
        if (nLiterals > 286 || nDistances > 30) {
            return InflateStatus::kBadData;
        }
        static constexpr std::array<std::uint8_t, 19> kOrder = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                                                11, 4,  12, 3, 13, 2, 14, 1, 15};
        std::array<std::uint8_t, 19> codeLengths{};
        for (unsigned i = 0; i < nCodeLengths; ++i) {
            codeLengths[kOrder[i]] = static_cast<std::uint8_t>(m_bits.Bits(3));
        }
        CHuffman lengthCode;
        if (m_bits.Overrun()) {
            return InflateStatus::kTruncated;
        }
        if (!lengthCode.Build(codeLengths.data(), 19)) {
            return InflateStatus::kBadData;
        }
        std::array<std::uint8_t, 286 + 30> lengths{};
        for (unsigned i = 0; i < nLiterals + nDistances;) {
            const int symbol = lengthCode.Decode(m_bits);
            if (m_bits.Overrun()) {
                return InflateStatus::kTruncated;
            }
            if (symbol < 0) {
                return InflateStatus::kBadData;
            }
            if (symbol < 16) {
                lengths[i++] = static_cast<std::uint8_t>(symbol);
                continue;
            }
            std::uint8_t value = 0;
            unsigned nRepeat = 0;
            if (symbol == 16) {
                if (i == 0) {
                    return InflateStatus::kBadData;
                }
                value = lengths[i - 1];
                nRepeat = 3 + m_bits.Bits(2);
            } else if (symbol == 17) {
                nRepeat = 3 + m_bits.Bits(3);
            } else {
                nRepeat = 11 + m_bits.Bits(7);
            }
            if (i + nRepeat > nLiterals + nDistances) {
                return InflateStatus::kBadData;
            }
            std::fill_n(lengths.begin() + i, nRepeat, value);
            i += nRepeat;
        }
        if (lengths[256] == 0 || !m_literals.Build(lengths.data(), nLiterals) ||
            !m_distances.Build(lengths.data() + nLiterals, nDistances)) {
            return InflateStatus::kBadData;
        }
        return Codes();
    }

    InflateStatus Codes() {
        while (true) {
            const int symbol = m_literals.Decode(m_bits);
            if (m_bits.Overrun()) {
                return InflateStatus::kTruncated;
            }
            if (symbol < 0 || symbol > 285) {
                return InflateStatus::kBadData;
            }
            if (symbol < 256) {
                if (!Room(1)) {
                    return InflateStatus::kTooLarge;
                }
                m_out[m_nSize++] = static_cast<char>(symbol);
                continue;
            }
            if (symbol == 256) {
                return InflateStatus::kOk;
            }
            const auto nLengthCode = static_cast<std::size_t>(symbol - 257);
            const std::size_t nLength =
                kLengthBase[nLengthCode] + m_bits.Bits(kLengthExtra[nLengthCode]);
            const int distanceSymbol = m_distances.Decode(m_bits);
            if (distanceSymbol < 0 || distanceSymbol > 29) {
                return m_bits.Overrun() ? InflateStatus::kTruncated : InflateStatus::kBadData;
            }
            const auto nDistanceCode = static_cast<std::size_t>(distanceSymbol);
            const std::size_t nDistance =
                kDistanceBase[nDistanceCode] + m_bits.Bits(kDistanceExtra[nDistanceCode]);
            if (m_bits.Overrun()) {
                return InflateStatus::kTruncated;
            }
            if (nDistance > m_nSize - m_nStart) {
                return InflateStatus::kBadData;
            }
            if (!Room(nLength)) {
                return InflateStatus::kTooLarge;
            }
            // Byte by byte: the copy may overlap what it writes.
            char* pOut = m_out.data() + m_nSize;
            const char* pFrom = pOut - nDistance;
            for (std::size_t k = 0; k < nLength; ++k) {
                pOut[k] = pFrom[k];
            }
            m_nSize += nLength;
        }
    }

    CBitReader m_bits;
    std::string& m_out;
    std::size_t m_nStart;
    std::size_t m_nSize;
    std::size_t m_nMaxSize;
    CHuffman m_literals;
    CHuffman m_distances;
};

}  // namespace

CInflateResult Inflate(std::string_view in, std::string& out, std::size_t nMaxOut) {
    return CInflater(in, out, nMaxOut).Run();
}
