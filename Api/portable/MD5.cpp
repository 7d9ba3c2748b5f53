#include "Api/portable/MD5.h"

#include <cstddef>
#include <cstring>
#include <stdexcept>

namespace {

inline std::uint32_t RotateLeft(std::uint32_t x, int n) {
    return (x << n) | (x >> (32 - n));
}

inline std::uint32_t LoadLittleEndian(const unsigned char* p) {
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
           std::uint32_t{p[3]} << 24;
}

inline void StoreLittleEndian(std::uint32_t v, unsigned char* p) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
    p[2] = static_cast<unsigned char>(v >> 16);
    p[3] = static_cast<unsigned char>(v >> 24);
}

// Round functions in forms with one fewer operation than RFC 1321's, same values.
inline std::uint32_t F(std::uint32_t x, std::uint32_t y, std::uint32_t z) {
    return z ^ (x & (y ^ z));
}
inline std::uint32_t G(std::uint32_t x, std::uint32_t y, std::uint32_t z) {
    return y ^ (z & (x ^ y));
}
inline std::uint32_t H(std::uint32_t x, std::uint32_t y, std::uint32_t z) {
    return x ^ y ^ z;
}
inline std::uint32_t I(std::uint32_t x, std::uint32_t y, std::uint32_t z) {
    return y ^ (x | ~z);
}

#define MD5_STEP(f, a, b, c, d, x, t, s)     \
    do {                                     \
        (a) += f((b), (c), (d)) + (x) + (t); \
        (a) = RotateLeft((a), (s)) + (b);    \
    } while (0)

}  // namespace

void CMD5::Reset() {
    m_state[0] = 0x67452301u;
    m_state[1] = 0xEFCDAB89u;
    m_state[2] = 0x98BADCFEu;
    m_state[3] = 0x10325476u;
    m_count[0] = m_count[1] = 0;
    std::memset(m_buffer, 0, sizeof m_buffer);
    m_bAddData = false;
}

void CMD5::AddData(const unsigned char* pData, int iLength) {
    if (iLength < 0) {
        throw std::runtime_error(
            "FileDigest ERROR: in CMD5::AddData(), Data Length should be >= 0!");
    }
    m_bAddData = true;
    if (iLength == 0) {
        return;
    }
    auto nLength = static_cast<std::uint32_t>(iLength);
    const std::uint32_t nUsed = (m_count[0] >> 3) & 0x3F;
    const std::uint32_t nBitsLow = nLength << 3;
    m_count[0] += nBitsLow;
    if (m_count[0] < nBitsLow) {
        ++m_count[1];
    }
    m_count[1] += nLength >> 29;

    if (nUsed != 0) {
        const std::uint32_t nFree = kBlockLength - nUsed;
        if (nLength < nFree) {
            std::memcpy(m_buffer + nUsed, pData, nLength);
            return;
        }
        std::memcpy(m_buffer + nUsed, pData, nFree);
        TransformBlocks(m_buffer, 1);
        pData += nFree;
        nLength -= nFree;
    }
    // Whole blocks straight from the caller's bytes; only the tail is copied.
    TransformBlocks(pData, nLength / kBlockLength);
    pData += std::size_t{nLength / kBlockLength} * kBlockLength;
    if (nLength % kBlockLength != 0) {
        std::memcpy(m_buffer, pData, nLength % kBlockLength);
    }
}

void CMD5::FinalDigest(unsigned char* pDigest) {
    if (!m_bAddData) {
        throw std::runtime_error(
            "FileDigest ERROR: in CMD5::FinalDigest(), No data Added before call!");
    }
    unsigned char bits[8];
    StoreLittleEndian(m_count[0], bits);
    StoreLittleEndian(m_count[1], bits + 4);

    const std::uint32_t nUsed = (m_count[0] >> 3) & 0x3F;
    unsigned char padding[kBlockLength * 2] = {0x80};
    const std::uint32_t nPad = (nUsed < 56) ? (56 - nUsed) : (120 - nUsed);
    AddData(padding, static_cast<int>(nPad));
    AddData(bits, 8);

    for (std::size_t i = 0; i < 4; ++i) {
        StoreLittleEndian(m_state[i], pDigest + 4 * i);
    }
    Reset();
}

void CMD5::Transform(const unsigned char* pBlock) {
    TransformBlocks(pBlock, 1);
}

void CMD5::TransformBlocks(const unsigned char* pBlocks, std::uint32_t nBlocks) {
    std::uint32_t a = m_state[0], b = m_state[1], c = m_state[2], d = m_state[3];
    for (; nBlocks != 0; --nBlocks, pBlocks += kBlockLength) {
        std::uint32_t x[16];
        for (std::size_t i = 0; i < 16; ++i) {
            x[i] = LoadLittleEndian(pBlocks + 4 * i);
        }
        const std::uint32_t aa = a, bb = b, cc = c, dd = d;

        MD5_STEP(F, a, b, c, d, x[0], 0xD76AA478u, 7);
        MD5_STEP(F, d, a, b, c, x[1], 0xE8C7B756u, 12);
        MD5_STEP(F, c, d, a, b, x[2], 0x242070DBu, 17);
        MD5_STEP(F, b, c, d, a, x[3], 0xC1BDCEEEu, 22);
        MD5_STEP(F, a, b, c, d, x[4], 0xF57C0FAFu, 7);
        MD5_STEP(F, d, a, b, c, x[5], 0x4787C62Au, 12);
        MD5_STEP(F, c, d, a, b, x[6], 0xA8304613u, 17);
        MD5_STEP(F, b, c, d, a, x[7], 0xFD469501u, 22);
        MD5_STEP(F, a, b, c, d, x[8], 0x698098D8u, 7);
        MD5_STEP(F, d, a, b, c, x[9], 0x8B44F7AFu, 12);
        MD5_STEP(F, c, d, a, b, x[10], 0xFFFF5BB1u, 17);
        MD5_STEP(F, b, c, d, a, x[11], 0x895CD7BEu, 22);
        MD5_STEP(F, a, b, c, d, x[12], 0x6B901122u, 7);
        MD5_STEP(F, d, a, b, c, x[13], 0xFD987193u, 12);
        MD5_STEP(F, c, d, a, b, x[14], 0xA679438Eu, 17);
        MD5_STEP(F, b, c, d, a, x[15], 0x49B40821u, 22);

        MD5_STEP(G, a, b, c, d, x[1], 0xF61E2562u, 5);
        MD5_STEP(G, d, a, b, c, x[6], 0xC040B340u, 9);
        MD5_STEP(G, c, d, a, b, x[11], 0x265E5A51u, 14);
        MD5_STEP(G, b, c, d, a, x[0], 0xE9B6C7AAu, 20);
        MD5_STEP(G, a, b, c, d, x[5], 0xD62F105Du, 5);
        MD5_STEP(G, d, a, b, c, x[10], 0x02441453u, 9);
        MD5_STEP(G, c, d, a, b, x[15], 0xD8A1E681u, 14);
        MD5_STEP(G, b, c, d, a, x[4], 0xE7D3FBC8u, 20);
        MD5_STEP(G, a, b, c, d, x[9], 0x21E1CDE6u, 5);
        MD5_STEP(G, d, a, b, c, x[14], 0xC33707D6u, 9);
        MD5_STEP(G, c, d, a, b, x[3], 0xF4D50D87u, 14);
        MD5_STEP(G, b, c, d, a, x[8], 0x455A14EDu, 20);
        MD5_STEP(G, a, b, c, d, x[13], 0xA9E3E905u, 5);
        MD5_STEP(G, d, a, b, c, x[2], 0xFCEFA3F8u, 9);
        MD5_STEP(G, c, d, a, b, x[7], 0x676F02D9u, 14);
        MD5_STEP(G, b, c, d, a, x[12], 0x8D2A4C8Au, 20);

        MD5_STEP(H, a, b, c, d, x[5], 0xFFFA3942u, 4);
        MD5_STEP(H, d, a, b, c, x[8], 0x8771F681u, 11);
        MD5_STEP(H, c, d, a, b, x[11], 0x6D9D6122u, 16);
        MD5_STEP(H, b, c, d, a, x[14], 0xFDE5380Cu, 23);
        MD5_STEP(H, a, b, c, d, x[1], 0xA4BEEA44u, 4);
        MD5_STEP(H, d, a, b, c, x[4], 0x4BDECFA9u, 11);
        MD5_STEP(H, c, d, a, b, x[7], 0xF6BB4B60u, 16);
        MD5_STEP(H, b, c, d, a, x[10], 0xBEBFBC70u, 23);
        MD5_STEP(H, a, b, c, d, x[13], 0x289B7EC6u, 4);
        MD5_STEP(H, d, a, b, c, x[0], 0xEAA127FAu, 11);
        MD5_STEP(H, c, d, a, b, x[3], 0xD4EF3085u, 16);
        MD5_STEP(H, b, c, d, a, x[6], 0x04881D05u, 23);
        MD5_STEP(H, a, b, c, d, x[9], 0xD9D4D039u, 4);
        MD5_STEP(H, d, a, b, c, x[12], 0xE6DB99E5u, 11);
        MD5_STEP(H, c, d, a, b, x[15], 0x1FA27CF8u, 16);
        MD5_STEP(H, b, c, d, a, x[2], 0xC4AC5665u, 23);

        MD5_STEP(I, a, b, c, d, x[0], 0xF4292244u, 6);
        MD5_STEP(I, d, a, b, c, x[7], 0x432AFF97u, 10);
        MD5_STEP(I, c, d, a, b, x[14], 0xAB9423A7u, 15);
        MD5_STEP(I, b, c, d, a, x[5], 0xFC93A039u, 21);
        MD5_STEP(I, a, b, c, d, x[12], 0x655B59C3u, 6);
        MD5_STEP(I, d, a, b, c, x[3], 0x8F0CCC92u, 10);
        MD5_STEP(I, c, d, a, b, x[10], 0xFFEFF47Du, 15);
        MD5_STEP(I, b, c, d, a, x[1], 0x85845DD1u, 21);
        MD5_STEP(I, a, b, c, d, x[8], 0x6FA87E4Fu, 6);
        MD5_STEP(I, d, a, b, c, x[15], 0xFE2CE6E0u, 10);
        MD5_STEP(I, c, d, a, b, x[6], 0xA3014314u, 15);
        MD5_STEP(I, b, c, d, a, x[13], 0x4E0811A1u, 21);
        MD5_STEP(I, a, b, c, d, x[4], 0xF7537E82u, 6);
        MD5_STEP(I, d, a, b, c, x[11], 0xBD3AF235u, 10);
        MD5_STEP(I, c, d, a, b, x[2], 0x2AD7D2BBu, 15);
        MD5_STEP(I, b, c, d, a, x[9], 0xEB86D391u, 21);

        a += aa;
        b += bb;
        c += cc;
        d += dd;
    }
    m_state[0] = a;
    m_state[1] = b;
    m_state[2] = c;
    m_state[3] = d;
}
