// MD5 (RFC 1321).
#pragma once

#include <cstdint>

#include "Api/portable/MessageDigest.h"

class CMD5 final : public IMessageDigest {
public:
    static constexpr int kDigestLength = 16;
    static constexpr int kBlockLength = 64;

    CMD5() { Reset(); }

    void AddData(const unsigned char* pData, int iLength) override;
    void FinalDigest(unsigned char* pDigest) override;
    void Reset() override;

protected:
    void Transform(const unsigned char* pBlock) override;
    int DigestLength() const override { return kDigestLength; }

private:
    void TransformBlocks(const unsigned char* pBlocks, std::uint32_t nBlocks);

    std::uint32_t m_state[4];
    std::uint32_t m_count[2];  // bit count, low word first
    unsigned char m_buffer[kBlockLength];
    bool m_bAddData;
};
