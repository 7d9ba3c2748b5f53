// Abstract message digest, and the digest of a whole file read through the chunk reader.
#pragma once

#include <string>

class IMessageDigest {
public:
    virtual ~IMessageDigest() = default;

    // Adds `iLength` bytes; a negative length throws std::runtime_error.
    virtual void AddData(const unsigned char* pData, int iLength) = 0;
    // Writes the digest of everything added since the last Reset, then resets.
    // Throws std::runtime_error when nothing was added.
    virtual void FinalDigest(unsigned char* pDigest) = 0;
    virtual void Reset() = 0;

    // Digest of the file's bytes. An empty file gives an all-zero digest (not the digest of
    // empty input). Throws std::runtime_error when the file cannot be opened or read.
    void DigestFile(const std::string& strPath, unsigned char* pDigest);

protected:
    // Processes one 64-byte block.
    virtual void Transform(const unsigned char* pBlock) = 0;
    virtual int DigestLength() const = 0;
};
