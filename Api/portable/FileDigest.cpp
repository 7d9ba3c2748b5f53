#include "Api/portable/FileDigest.h"

#include <cstddef>
#include <exception>

#include "Api/portable/MD5.h"

std::string DigestToText(const unsigned char* pDigest) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string strText(std::size_t{2} * CMD5::kDigestLength, '0');
    for (size_t i = 0; i < CMD5::kDigestLength; ++i) {
        strText[2 * i] = kHex[pDigest[i] >> 4];
        strText[2 * i + 1] = kHex[pDigest[i] & 0x0F];
    }
    return strText;
}

std::string GetFileDigestText(const std::string& strPath) {
    try {
        CMD5 md5;
        unsigned char digest[CMD5::kDigestLength];
        md5.DigestFile(strPath, digest);
        return DigestToText(digest);
    } catch (const std::exception&) {
        // Any failure gives a text that never equals a stored digest.
        return std::string();
    }
}
